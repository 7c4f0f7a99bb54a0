// The settings file as a test compares it, and a browser context of its own for each person.
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const { WAIT } = require('./zephra-host');

// The settings file as "[section] key" -> value.
function entries(text) {
  const out = new Map();
  let section = '';
  for (const line of text.split('\r\n')) {
    const head = /^\[(.*)\]$/.exec(line);
    if (head) { section = head[1]; continue; }
    const eq = line.indexOf('=');
    if (eq > 0) out.set(`[${section}] ${line.slice(0, eq)}`, line.slice(eq + 1));
  }
  return out;
}

// What changed from `before` to `after`: "[section] key: old -> new", sorted.
function diff(before, after) {
  const a = entries(before);
  const b = entries(after);
  const changes = [];
  for (const key of new Set([...a.keys(), ...b.keys()])) {
    if (a.get(key) !== b.get(key)) changes.push(`${key}: ${a.get(key) ?? '(none)'} -> ${b.get(key) ?? '(none)'}`);
  }
  return changes.sort();
}

// A browser of its own for each person.
async function person(browser) {
  const context = await browser.newContext();
  const page = await context.newPage();
  page.setDefaultTimeout(WAIT);
  return page;
}

// The host's status page opened by `count` people, each with a browser of their own, created and
// opened in turn; and the settings file's text as it stands when read.
async function statusPages(host, browser, count) {
  const status = host.url('/status');
  const pages = [];
  for (let i = 0; i < count; ++i) pages.push(await person(browser));
  for (const page of pages) await page.goto(status);
  const ini = () => fs.readFileSync(path.join(host.appDir, 'Config/dkvZephraUtilities.ini'), 'latin1');
  return { status, pages, ini };
}

module.exports = { entries, diff, person, statusPages };
