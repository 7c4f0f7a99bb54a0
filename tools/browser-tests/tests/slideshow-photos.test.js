// Single pictures and photos on the slideshow page, with the browser (or a plain HTTP client) as
// the appliance: a slide row written without a leading "\" shows its picture, and a phone's
// photo is shrunk once and then served at once while other requests wait for nothing.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const { execFileSync } = require('node:child_process');
const net = require('node:net');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { startHost, launchBrowser, artifactPath, WAIT } = require('../lib/zephra-host');

function picture(format, size) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zephra-photo-'));
  const file = path.join(dir, `p.${format}`);
  execFileSync('convert', ['-size', size, 'gradient:navy-gold', file]);
  const bytes = fs.readFileSync(file);
  fs.rmSync(dir, { recursive: true, force: true });
  return bytes;
}

// In the page: what a slide shows, the picture's path and size as drawn.
function look() {
  if (document.readyState !== 'complete') return null;
  const img = document.querySelector('img');
  if (!img) return 'empty';
  if (!(img.complete && img.naturalWidth > 0)) return `broken picture ${img.getAttribute('src')}`;
  return `picture ${new URL(img.getAttribute('src'), document.URL).pathname} ${img.naturalWidth}x${img.naturalHeight}`;
}

test('single-picture rows typed without a backslash show their pictures, small or shrunk', async () => {
  const host = await startHost({
    settings: ['SlideshowUpdateInterval=1', 'SlideASP0=small1.jpg,1', 'SlideASP1=Big.JPG,1', 'MaxPixels=100000'],
    names: ['127.0.0.1/127.0.0.1:9="Browser,,,,1,0,"'],
    files: {
      'HTML/small1.jpg': picture('jpg', '220x165'),
      'HTML/Big.JPG': picture('jpg', '400x300'),
    },
  });
  const browser = await launchBrowser();
  try {
    const page = await browser.newPage();
    const seen = [];
    page.on('load', () => {
      page.evaluate(look).then((s) => s && seen.push(s), () => {});
    });
    await page.goto(host.url('/ZephraSlideshow.asp'), { waitUntil: 'load' });
    // The small picture whole under its own name; the photo named in capitals shrunk to
    // 100000 / 300 pixels wide.
    const wanted = ['picture /small1.jpg 220x165', 'picture /ZephraTemp/Big.JPG 333x250'];
    const deadline = Date.now() + WAIT;
    let shot = false;
    while (Date.now() < deadline && !wanted.every((w) => seen.includes(w))) {
      if (!shot && seen.includes(wanted[0])) {
        shot = true;
        await page.screenshot({ path: artifactPath('slideshow-small-picture.png'), timeout: 5000 }).catch(() => {});
      }
      await new Promise((r) => setTimeout(r, 50));
    }
    for (const w of wanted) assert.ok(seen.includes(w), `${w} not in: ${seen.join(', ')}`);
    assert.ok(!seen.some((s) => s.startsWith('broken')), seen.join(', '));
  } finally {
    await browser.close();
    await host.stop();
  }
});

// One HTTP GET over a plain socket: the status, the body and how long the answer took. The
// plug-in's text files carry the system's own "Last-Modified" line without a colon, which
// node's HTTP parser refuses even in its lenient mode.
function get(url) {
  const { hostname, port, pathname, search } = new URL(url);
  const started = process.hrtime.bigint();
  return new Promise((resolve, reject) => {
    const chunks = [];
    const socket = net.connect({ host: hostname, port: Number(port), localAddress: '127.0.0.1' }, () => {
      socket.write(`GET ${pathname}${search} HTTP/1.0\r\nHost: ${hostname}:${port}\r\n\r\n`);
    });
    socket.on('data', (c) => chunks.push(c));
    socket.on('error', reject);
    socket.setTimeout(WAIT, () => socket.destroy(new Error(`no answer from ${url}`)));
    socket.on('close', () => {
      const answer = Buffer.concat(chunks);
      const head = answer.indexOf('\r\n\r\n');
      const status = /^HTTP\/1\.[01] (\d{3})/.exec(answer.toString('latin1'));
      resolve({
        status: status ? Number(status[1]) : 0,
        body: head < 0 ? Buffer.alloc(0) : answer.subarray(head + 4),
        ms: Number(process.hrtime.bigint() - started) / 1e6,
      });
    });
  });
}

test('a 4000x3000 photo is shrunk once: shown again it is served at once, and a request beside it waits for nothing', async () => {
  const host = await startHost({
    settings: ['SlideshowUpdateInterval=30', 'SlideASP0=photo.jpg,30', 'MaxPixels=100000'],
    names: ['127.0.0.1/127.0.0.1:9="Browser,,,,1,0,"'],
    files: {
      'HTML/photo.jpg': picture('jpg', '4000x3000'),
      'HTML/note.htm': '<html><body>a note</body></html>',
    },
  });
  try {
    const copy = path.join(host.appDir, 'HTML', 'ZephraTemp', 'photo.jpg');
    const first = await get(host.url('/ZephraSlideshow.asp'));
    assert.strictEqual(first.status, 200);
    assert.match(first.body.toString('latin1'), / src='http:\/\/127\.0\.0\.1:\d+\/ZephraTemp\/photo\.jpg'>/);
    // 100000 / 3000 pixels wide.
    assert.strictEqual(execFileSync('identify', ['-format', '%wx%h', copy]).toString(), '33x25');
    const written = fs.statSync(copy, { bigint: true }).mtimeNs;

    // The second showing and another client's page at the same moment.
    const [again, beside] = await Promise.all([get(host.url('/ZephraSlideshow.asp')), get(host.url('/note.htm'))]);
    assert.strictEqual(again.status, 200);
    assert.strictEqual(again.body.toString('latin1'), first.body.toString('latin1'));
    assert.strictEqual(beside.status, 200);
    assert.match(beside.body.toString(), /a note/);
    assert.strictEqual(fs.statSync(copy, { bigint: true }).mtimeNs, written, 'the photo was shrunk again');
    // Far above a page's own time even on a loaded machine or under the sanitizers, far below a
    // photo decoded and shrunk in full each time.
    assert.ok(again.ms < 10000 && beside.ms < 10000,
      `second showing ${again.ms} ms, page beside it ${beside.ms} ms (first showing ${first.ms} ms)`);

    // The shrunk photo as the appliance fetches it.
    const src = / src='([^']*)'/.exec(again.body.toString('latin1'))[1];
    const small = await get(src);
    assert.strictEqual(small.status, 200);
    assert.strictEqual(execFileSync('identify', ['-format', '%m %wx%h', '-'], { input: small.body }).toString(), 'JPEG 33x25');
  } finally {
    await host.stop();
  }
});
