// The judge: each criterion of a check measured by the check's rule and
// held against its limits.
#include "judge.hpp"

#include <cmath>
#include <cstdio>

#include "check_table.hpp"

namespace pointsieve::qa {

namespace {

std::string number_text(double v) {
    char text[64];
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
        std::snprintf(text, sizeof text, "%.0f", v);
    else
        std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

}  // namespace

Judgement judge(const Limits &limits, const Delivery &d, const FactsTable &facts, const TileNames &names,
                std::size_t k, std::size_t check) {
    const Facts &t = facts_at(facts, k);
    const CheckEntry &entry = kChecks[check];
    Judgement j{Verdict::NotApplicable, {}, {}};
    if (limits.check_off[check]) return j;
    int criteria_of_check = 0;
    for (const CriterionEntry &c : entry.criteria) criteria_of_check += c.name != nullptr;
    for (std::size_t ci = 0; ci < limits.criteria.size(); ++ci) {
        const Criterion &c = limits.criteria[ci];
        if (c.check != check || limits.criterion_off[ci]) continue;
        double v = 0;
        if (!entry.rule({t, d, k}, c.which, v)) continue;
        const auto crosses = [&](double limit) { return c.below ? v < limit : v > limit; };
        Verdict verdict = Verdict::Pass;
        double limit = 0;
        if (crosses(c.fail))
            verdict = Verdict::Fail, limit = c.fail;
        else if (crosses(c.warn))
            verdict = Verdict::Warn, limit = c.warn;
        if (verdict <= j.verdict) continue;
        j.verdict = verdict;
        if (verdict == Verdict::Pass) continue;
        switch (entry.shown) {
            case ValueShown::Figure: j.value = number_text(v); break;
            case ValueShown::Status: j.value = status_word(t.status); break;
            case ValueShown::DuplicateOf: j.value = name_at(names, static_cast<std::size_t>(d.duplicate_of[k])); break;
        }
        j.limit = (criteria_of_check > 1 ? std::string(c.name) : std::string()) + (c.below ? "<" : ">") +
                  limit_text(limit);
    }
    return j;
}

}  // namespace pointsieve::qa
