// Reads an IGC file with the npm igc-parser and prints what it found, for the
// tests to compare with what was written:
//   date <YYYY-MM-DD>
//   pilot <text> / glider <text> / registration <text> / datum <text>
//   fix <unix ms> <latitude> <longitude> <GNSS altitude or null>
// Exits 1 with the parser's message on stderr when it refuses the file.
'use strict';
const fs = require('fs');
const path = require('path');
const IGCParser = require(path.join(__dirname, 'node', 'node_modules', 'igc-parser'));

try {
    const result = IGCParser.parse(fs.readFileSync(process.argv[2], 'utf8'));
    const lines = [`date ${result.date}`, `pilot ${result.pilot}`, `glider ${result.gliderType}`,
                   `registration ${result.registration}`, `datum ${result.geoDatum}`];
    for (const f of result.fixes)
        lines.push(`fix ${f.timestamp} ${f.latitude} ${f.longitude} ${f.gpsAltitude}`);
    process.stdout.write(lines.join('\n') + '\n');
} catch (e) {
    process.stderr.write(String(e.message) + '\n');
    process.exit(1);
}
