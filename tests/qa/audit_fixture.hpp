// The test fixture of the audit's runs over the generated delivery: a
// temporary folder holding it, and the table of how each tile is judged.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "delivery.hpp"
#include "test_support.hpp"

class Audit : public testing::Test {
protected:
    testing_support::TempDir tmp;
    const std::vector<qa_delivery::Expectation> table = qa_delivery::make_delivery(tmp.file("delivery"));
};
