// Runs one browser test file with node's test runner: `node run.js tests/x.test.js [N]`; with N,
// only the file's Nth top-level test (from 1), so that the tests of one file may run side by side.
// Exit 77 (skipped) while playwright-core is not installed; scripts/install-deps installs it.
'use strict';

const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

try {
  require.resolve('playwright-core');
} catch {
  console.log('playwright-core is not installed: run scripts/install-deps');
  process.exit(77);
}
// The hosts the tests start (each with a config folder of its own) and the browser get a runtime
// folder of their own, gone at the end: a sound client without one leaves a folder in /tmp at
// every start.
const runtime = fs.mkdtempSync(path.join(os.tmpdir(), 'zephra-browser-runtime-'));
const env = { ...process.env, XDG_RUNTIME_DIR: runtime };
function exit(status) {
  fs.rmSync(runtime, { recursive: true, force: true });
  process.exit(status);
}

const [file, nth] = process.argv.slice(2);
if (nth === undefined) {
  const run = spawnSync(process.execPath, ['--test', file], { stdio: 'inherit', env });
  exit(run.status === null ? 1 : run.status);
}

// The names of the file's top-level tests, as written in test('...', ...) at a line's start.
const names = [];
const call = /^test\((['"])((?:\\.|(?!\1)[^\\])*)\1/gm;
for (let m; (m = call.exec(fs.readFileSync(file, 'utf8'))) !== null;) names.push(m[2].replace(/\\(.)/g, '$1'));
const name = names[Number(nth) - 1];
if (!/^[1-9][0-9]*$/.test(nth) || name === undefined) {
  console.log(`${file} has no test number ${nth} (it has ${names.length})`);
  exit(1);
}
const pattern = '^' + name.replace(/[.*+?^${}()|[\]\\/]/g, '\\$&') + '$';
const run = spawnSync(process.execPath, ['--test', '--test-reporter=tap', `--test-name-pattern=${pattern}`, file],
  { stdio: ['ignore', 'pipe', 'inherit'], encoding: 'utf8', maxBuffer: 64 << 20, env });
process.stdout.write(run.stdout || '');
if (run.status !== 0) exit(run.status === null ? 1 : run.status);
// A pattern that ran nothing would pass: exactly the one test must have passed.
if (!/^# pass 1$/m.test(run.stdout || '')) {
  console.log(`not exactly one test passed for: ${name}`);
  exit(1);
}
exit(0);
