// Reads IGC files with the npm igc-parser and prints what it found, for the
// tests to compare with what was written or read:
//   date <YYYY-MM-DD>
//   pilot <text> / glider <text> / registration <text> / datum <text>
//   fix <unix ms> <latitude> <longitude> <GNSS altitude or null>
// With several files, each file's lines follow a line "file <path>", and a
// file the parser refuses gives "error <message>" instead; these are real
// logs, read leniently (header lines of other data sources are let through).
// With one file, exits 1 with the parser's message on stderr when it refuses it.
'use strict';
const fs = require('fs');
const path = require('path');
const IGCParser = require(path.join(__dirname, 'node', 'node_modules', 'igc-parser'));

function describe(file, options) {
    const result = IGCParser.parse(fs.readFileSync(file, 'utf8'), options);
    const lines = [`date ${result.date}`, `pilot ${result.pilot}`, `glider ${result.gliderType}`,
                   `registration ${result.registration}`, `datum ${result.geoDatum}`];
    for (const f of result.fixes)
        lines.push(`fix ${f.timestamp} ${f.latitude} ${f.longitude} ${f.gpsAltitude}`);
    return lines.join('\n') + '\n';
}

const files = process.argv.slice(2);
if (files.length === 1) {
    try {
        process.stdout.write(describe(files[0]));
    } catch (e) {
        process.stderr.write(String(e.message) + '\n');
        process.exit(1);
    }
} else {
    for (const file of files) {
        let text;
        try {
            text = describe(file, {lenient: true});
        } catch (e) {
            text = `error ${String(e.message).replace(/\n/g, ' ')}\n`;
        }
        process.stdout.write(`file ${file}\n` + text);
    }
}
