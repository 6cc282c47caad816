// Scores an IGC file with the outside contest scorer and prints one JSON line:
// node score_igc.cjs FILE.igc XContest|FFVL
const fs = require('fs');
const path = require('path');
const modules = path.join(__dirname, 'node_modules');
const IGCParser = require(path.join(modules, 'igc-parser'));
const { scoringRules, solver } = require(path.join(modules, 'igc-xc-score'));

const [file, rules] = process.argv.slice(2);
const flight = IGCParser.parse(fs.readFileSync(file, 'utf8'), { lenient: true });
const started = process.hrtime.bigint();
const it = solver(flight, scoringRules[rules]);
let s = it.next();
while (!s.done)
    s = it.next();
const best = s.value;
const ms = Number(process.hrtime.bigint() - started) / 1e6;
const info = best.scoreInfo || {};
const pos = (p) => [p.y, p.x];
console.log(JSON.stringify({
    type: best.opt.scoring.name,
    score: best.score,
    distance: info.distance,
    tp: (info.tp || []).map(pos),
    ep: info.ep ? [pos(info.ep.start), pos(info.ep.finish)] : [],
    cp: info.cp && info.cp.in ? [pos(info.cp.in), pos(info.cp.out)] : [],
    optimal: best.optimal,
    ms,
}));
