// Runs one browser test file with node's test runner: `node run.js tests/x.test.js`. Exit 77
// (skipped) while playwright-core is not installed; scripts/install-deps installs it.
'use strict';

const { spawnSync } = require('node:child_process');

try {
  require.resolve('playwright-core');
} catch {
  console.log('playwright-core is not installed: run scripts/install-deps');
  process.exit(77);
}
const run = spawnSync(process.execPath, ['--test', ...process.argv.slice(2)], { stdio: 'inherit' });
process.exit(run.status === null ? 1 : run.status);
