// Scores many IGC files with the outside contest scorer in one process, for
// the tests and the benchmark:
//   node score_all.cjs [--fixes] RULES[,RULES...] FILE.igc...
// prints, for each file:
//   file <path>
//   fix <unix ms> <latitude> <longitude> <A|V> <altitude> (with --fixes, every B
//       record; GNSS altitude, pressure altitude where GNSS is missing)
//   score <rules> <JSON: type, score, distance, tp, ep, cp, optimal, ms, cpuMs (CPU time of the run)>
// A file the parser refuses prints "error <message>" after its "file" line.
'use strict';
const fs = require('fs');
const path = require('path');
const modules = path.join(__dirname, 'node_modules');
const IGCParser = require(path.join(modules, 'igc-parser'));
const { scoringRules, solver } = require(path.join(modules, 'igc-xc-score'));

let args = process.argv.slice(2);
const withFixes = args[0] === '--fixes';
if (withFixes)
    args = args.slice(1);
const rulesList = (args[0] || '').split(',').filter(r => r in scoringRules); // "-": fixes only
const out = [];
const flush = () => { process.stdout.write(out.join('\n') + '\n'); out.length = 0; };
const pos = (p) => [p.y, p.x];
for (const file of args.slice(1)) {
    out.push(`file ${file}`);
    let text;
    try {
        text = fs.readFileSync(file, 'utf8');
        IGCParser.parse(text, { lenient: true });
    } catch (e) {
        out.push(`error ${String(e.message).replace(/\n/g, ' ')}`);
        flush();
        continue;
    }
    if (withFixes)
        for (const f of IGCParser.parse(text, { lenient: true }).fixes)
            out.push(`fix ${f.timestamp} ${f.latitude} ${f.longitude} ${f.valid ? 'A' : 'V'} ` +
                     `${f.gpsAltitude || f.pressureAltitude || 0}`);
    for (const rules of rulesList) {
        // A fresh parse for each run: the solver keeps its caches in the flight.
        const flight = IGCParser.parse(text, { lenient: true });
        const started = process.hrtime.bigint();
        const cpu0 = process.cpuUsage();
        const it = solver(flight, scoringRules[rules]);
        let s = it.next();
        while (!s.done)
            s = it.next();
        const ms = Number(process.hrtime.bigint() - started) / 1e6;
        const cpu = process.cpuUsage(cpu0);
        const cpuMs = (cpu.user + cpu.system) / 1e3;
        const best = s.value;
        const info = best.scoreInfo || {};
        out.push(`score ${rules} ` + JSON.stringify({
            type: best.opt.scoring.name,
            score: best.score,
            distance: info.distance,
            tp: (info.tp || []).map(pos),
            ep: info.ep ? [pos(info.ep.start), pos(info.ep.finish)] : [],
            cp: info.cp && info.cp.in ? [pos(info.cp.in), pos(info.cp.out)] : [],
            optimal: best.optimal,
            ms,
            cpuMs,
        }));
    }
    flush();
}
