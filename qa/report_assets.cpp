// The report page's style sheet and script.
#include "report_assets.hpp"

namespace pointsieve::qa::report {

const char *const kStyle = R"(<style>
body{font:14px/1.4 system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",sans-serif;margin:0 auto;max-width:1000px;padding:0 16px 40px;color:#222}
h1{font-size:22px;margin:18px 0 4px}h2{font-size:18px;border-bottom:1px solid #ccc;margin:28px 0 8px}h3{font-size:15px;margin:16px 0 6px}
table{border-collapse:collapse}td,th{padding:2px 8px;text-align:left;vertical-align:top}
.kv th{font-weight:600;white-space:nowrap}.num{text-align:right;font-variant-numeric:tabular-nums}
.grid td,.grid th{border-bottom:1px solid #e4e4e4}.grid td.tiles{font-size:12px}
.mark{display:inline-block;min-width:4.2em;font-weight:700;border-radius:3px;padding:0 4px}
.v1{background:#c7e9c0;color:#14532d}.v2{background:#fdd49e;color:#7c2d12}.v3{background:#fbb4b9;color:#7f1d1d}.v0{color:#999}
a{color:#1d4ed8}svg text{font-size:12px;fill:#222}svg.map{background:#f7f7f7;display:block;margin:6px 0}
.lbl{font-weight:700;paint-order:stroke;stroke:#fff;stroke-width:3px}.lbl.fail{fill:#b10e12}.lbl.warn{fill:#8a4b00}
.ring{fill:none;stroke-width:2}.ring.fail{stroke:#d7191c}.ring.warn{stroke:#e08a00;stroke-dasharray:5 3}.ring.pass{stroke:#666}
.core{fill:#dddddd;stroke:#888}.bar rect{fill:#222}.corner{fill:#555}
.charts{display:flex;flex-wrap:wrap;gap:8px 24px}.charts figure{margin:0}.charts figcaption{font-weight:600}
.chart rect{fill:#3b528b}
#tiles table{font-size:12px}#tiles th{cursor:pointer;background:#f0f0f0}#tiles summary{cursor:pointer;margin:4px 0;color:#1d4ed8}
#tiles th.chk{writing-mode:vertical-rl;transform:rotate(180deg);font-weight:400;padding:4px 2px}
#tiles td.c{text-align:center;padding:1px 3px}#tiles tr:target{outline:2px solid #1d4ed8}
#tiles tbody tr:nth-child(even){background:#fafafa}.controls{margin:6px 0}.note{color:#555}.more{font-size:12px;white-space:pre-wrap}
</style>
)";

// Sorting by any column and filtering by status and verdict; the page reads
// the same without it.
const char *const kScript = R"(<script>
(function(){
var tables=document.querySelectorAll('#tiles table.tt');if(!tables.length)return;
var bodies=Array.prototype.map.call(tables,function(t){return t.tBodies[0];}),per=bodies[0].rows.length||1;
var rank={'\u2717':3,'!':2,'\u2713':1,'\u2013':0},up={};
function rows(){var all=[];bodies.forEach(function(b){all.push.apply(all,b.rows);});return all;}
function place(all){all.forEach(function(r,i){bodies[Math.min(Math.floor(i/per),bodies.length-1)].appendChild(r);});}
function key(td){var s=td.textContent;if(s in rank)return rank[s];var n=parseFloat(s.replace(/,/g,''));return isNaN(n)?s.toLowerCase():n;}
function sortBy(i){up[i]=!up[i];var all=rows();all.sort(function(a,b){var x=key(a.cells[i]),y=key(b.cells[i]);
if(typeof x!==typeof y){x=String(x);y=String(y);}return (x<y?-1:x>y?1:0)*(up[i]?1:-1);});place(all);apply();}
Array.prototype.forEach.call(tables,function(t){Array.prototype.forEach.call(t.tHead.rows[0].cells,function(th,i){
th.title=(th.title?th.title+': ':'')+'click to sort';th.addEventListener('click',function(){sortBy(i);});});});
var st=document.getElementById('f-status'),vd=document.getElementById('f-verdict');
function shown(r){return (!st.value||r.dataset.st===st.value)&&(!vd.value||r.dataset.wv===vd.value);}
function apply(){var all=rows(),yes=all.filter(shown),no=all.filter(function(r){return !shown(r);});
place(yes.concat(no));yes.forEach(function(r){r.style.display='';});no.forEach(function(r){r.style.display='none';});}
st.addEventListener('change',apply);vd.addEventListener('change',apply);
document.getElementById('table-controls').hidden=false;
})();
</script>
)";

}  // namespace pointsieve::qa::report
