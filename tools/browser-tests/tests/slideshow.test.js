// The slideshow page in Chromium, with the browser as the appliance (its address is the
// appliance's): each slide refreshes to the next, stepping through a folder of JPEG pictures
// and an .asp slide run in the plug-in's page engine.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const { execFileSync } = require('node:child_process');
const http = require('node:http');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { startHost, startAppliances, launchBrowser, artifactPath, rawGet, WAIT } = require('../lib/zephra-host');

function jpeg(size, colour) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zephra-slide-'));
  const file = path.join(dir, 'p.jpg');
  execFileSync('convert', ['-size', size, `xc:${colour}`, file]);
  const bytes = fs.readFileSync(file);
  fs.rmSync(dir, { recursive: true, force: true });
  return bytes;
}

// In the page: what a slide shows, its .asp slide's heading or whether its picture was drawn;
// nothing while the page is still loading (the next slide, come before this reading).
function show() {
  if (document.readyState !== 'complete') return null;
  const news = document.querySelector('#news');
  if (news) return `slide ${news.textContent.trim()}`;
  const img = document.querySelector('img');
  return img && img.complete && img.naturalWidth > 0 ? 'picture' : 'broken picture';
}

const SLIDE = '<html><head><title>News</title></head><body bgcolor="black">\r\n' +
  '<% Dim answer : answer = 6 * 7 %>\r\n<h1 id="news" style="color: white">News <%= answer %></h1>\r\n</body></html>\r\n';

test('the slideshow steps through pictures and an .asp slide, each page refreshing to the next', async () => {
  const host = await startHost({
    settings: ['SlideshowUpdateInterval=1', 'SlideASP0=news.asp,1', 'SlideASP1=pics,2'],
    // The browser's own address is the appliance's; its commands go to a port where nothing listens.
    names: ['127.0.0.1/127.0.0.1:9="Browser,,,,1,0,"'],
    files: {
      'HTML/news.asp': SLIDE,
      'HTML/pics/red.jpg': jpeg('640x480', 'red'),
      'HTML/pics/green.jpg': jpeg('320x240', 'green'),
    },
  });
  const browser = await launchBrowser();
  try {
    const page = await browser.newPage();
    // Each slide page as the server sent it, taken on its way to the browser: a page that
    // refreshes itself each second may be gone before it could be read in the browser.
    const sent = [];
    await page.route('**/ZephraSlideshow.asp', async (route) => {
      const response = await route.fetch();
      sent.push(await response.text());
      await route.fulfill({ response });
    });
    // What each loaded slide shows, read in one step: a refresh that leaves the page before
    // then costs that reading only.
    const seen = [];
    page.on('load', () => {
      page.evaluate(show).then((s) => s && seen.push(s), () => {});
    });
    await page.goto(host.url('/ZephraSlideshow.asp'), { waitUntil: 'load' });
    const refresh = /<meta http-equiv="Refresh" content="([^"]*)"/i.exec(sent[0]);
    assert.ok(refresh, sent[0]);
    assert.match(refresh[1], /^1; URL=\/ZephraSlideshow\.asp$/);
    // A slide may refresh while it is photographed: the picture is kept when it could be taken.
    const keep = (name) => page.screenshot({ path: artifactPath(name), timeout: 5000 }).catch(() => {});
    await keep('slideshow-picture.png');

    // The page refreshes itself: the .asp slide comes, then pictures again.
    await page.waitForSelector('#news');
    await keep('slideshow-asp-slide.png');
    const deadline = Date.now() + WAIT;
    while (!(seen.includes('slide News 42') && seen.filter((s) => s === 'picture').length >= 2) && Date.now() < deadline)
      await new Promise((r) => setTimeout(r, 100));
    assert.ok(seen.includes('slide News 42'), seen.join(', '));
    assert.ok(seen.filter((s) => s === 'picture').length >= 2, seen.join(', '));
    assert.ok(!seen.includes('broken picture'), seen.join(', '));
  } finally {
    await browser.close();
    await host.stop();
  }
});

test('an appliance stand-in asking for the slideshow from its own address steps through its group', async () => {
  const sim = await startAppliances(['kitchen']);
  const host = await startHost({
    settings: ['SlideshowUpdateInterval=2', 'SlideASP0=news.asp,2', 'SlideASP1=pics,4'],
    names: [`127.0.0.2/${sim.http.kitchen}="Kitchen,,,,1,0,"`],
    files: {
      'HTML/news.asp': SLIDE,
      'HTML/pics/red.jpg': jpeg('640x480', 'red'),
    },
  });
  try {
    // The stand-in's browser loads the page from the appliance's address, as the appliance would.
    const slideshow = host.url('/ZephraSlideshow.asp');
    const browsed = () => sim.log().split('\n').filter((l) => l.includes(`browse "${slideshow}"`));
    for (let i = 1; i <= 3; i += 1) {
      const answer = await fetch(`http://${sim.http.kitchen}/gotoURL.shtml?M=GOTO_URL&S=${slideshow}`);
      assert.strictEqual(answer.status, 200);
      const deadline = Date.now() + WAIT;
      while (browsed().length < i && Date.now() < deadline) await new Promise((r) => setTimeout(r, 50));
    }
    const lines = browsed();
    assert.strictEqual(lines.length, 3, sim.log());
    assert.ok(lines.every((l) => / ok status=200 bytes=\d+/.test(l)), lines.join('\n'));
    // A picture page, the .asp slide, a picture page again: the slide is the one of another size.
    const sizes = lines.map((l) => Number(/bytes=(\d+)/.exec(l)[1]));
    assert.strictEqual(sizes[0], sizes[2], lines.join('\n'));
    assert.notStrictEqual(sizes[0], sizes[1], lines.join('\n'));
  } finally {
    await host.stop();
    await sim.stop();
  }
});

function picture(format, size) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zephra-slide-'));
  const file = path.join(dir, `p.${format}`);
  execFileSync('convert', ['-size', size, 'gradient:navy-gold', file]);
  const bytes = fs.readFileSync(file);
  fs.rmSync(dir, { recursive: true, force: true });
  return bytes;
}

// In the page: one slide of a group, as the appliance's browser steps through them, what it
// shows; nothing while the page is still loading (the next slide, come before this reading).
function look() {
  if (document.readyState !== 'complete') return null;
  const news = document.querySelector('#news');
  if (news) return `slide ${news.textContent.trim()}`;
  const img = document.querySelector('img');
  if (!img) return 'empty';
  if (!(img.complete && img.naturalWidth > 0)) return 'broken picture';
  return `picture ${new URL(img.getAttribute('src'), document.URL).pathname} ${img.naturalWidth}x${img.naturalHeight}`;
}

test('slides saved with LF or CR LF line ends show, a broken slide moves on, large GIF and PNG come resized', async () => {
  const host = await startHost({
    settings: ['SlideASP0=lf.asp,1', 'SlideASP1=crlf.asp,1', 'SlideASP2=broken.asp,1', 'SlideASP3=big.gif,1',
               'SlideASP4=big.png,1', 'MaxPixels=100000'],
    names: ['127.0.0.1/127.0.0.1:9="Browser,,,,1,0,"'],
    files: {
      'HTML/lf.asp': SLIDE.replace(/\r\n/g, '\n').replace('>News <', '>Unix news <'),
      'HTML/crlf.asp': SLIDE,
      'HTML/broken.asp': '<% If x Then %>\n<html><body>never</body></html>\n',
      'HTML/big.gif': picture('gif', '800x600'),
      'HTML/big.png': picture('png', '800x600'),
    },
  });
  const browser = await launchBrowser();
  try {
    const page = await browser.newPage();
    const seen = [];
    // Each loaded slide read in one step: a refresh that leaves the page before then costs that
    // reading only.
    page.on('load', () => {
      page.evaluate(look).then((s) => s && seen.push(s), () => {});
    });
    await page.goto(host.url('/ZephraSlideshow.asp'), { waitUntil: 'load' });
    const shots = new Set();
    const deadline = Date.now() + WAIT;
    const wanted = ['slide Unix news 42', 'slide News 42', 'empty', 'picture /ZephraTemp/big.gif 167x125',
                    'picture /ZephraTemp/big.png 167x125'];
    // Round the group once and then to its first slide again: the broken slide did not stop it.
    while (Date.now() < deadline && !(wanted.every((w) => seen.includes(w)) &&
           seen.lastIndexOf('slide Unix news 42') > seen.indexOf('empty'))) {
      const now = seen[seen.length - 1];
      if (now && now.startsWith('picture') && !shots.has(now)) {
        shots.add(now);
        await page.screenshot({ path: artifactPath(`slideshow-${path.extname(now.split(' ')[1]).slice(1)}.png`), timeout: 5000 })
          .catch(() => {});
      }
      await new Promise((r) => setTimeout(r, 50));
    }
    for (const w of wanted) assert.ok(seen.includes(w), `${w} not in: ${seen.join(', ')}`);
    assert.ok(seen.lastIndexOf('slide Unix news 42') > seen.indexOf('empty'), seen.join(', '));
    assert.match(host.output(), /ASPSlide \d+ broken\.asp /);
    assert.doesNotMatch(host.output(), /Invalid picture|Unterminated/);
    // The resized pictures keep their formats.
    const temp = path.join(host.appDir, 'HTML', 'ZephraTemp');
    assert.strictEqual(execFileSync('identify', ['-format', '%m %wx%h', path.join(temp, 'big.gif')]).toString(), 'GIF 167x125');
    assert.strictEqual(execFileSync('identify', ['-format', '%m %wx%h', path.join(temp, 'big.png')]).toString(), 'PNG 167x125');
  } finally {
    await browser.close();
    await host.stop();
  }
});

// Pictures whose names hold characters that end or change an address ("'", "#", "%") or lie
// above ASCII ("café.jpg", its name UTF-8 on disk): shown in Chromium both from the general list
// (a browser that is no appliance: the pictures copied whole) and from an appliance's group (the
// browser at the appliance's address: the pictures resized), each under its own name.
const ODD_NAMES = ["Tom's.jpg", 'a#b.jpg', '100%.jpg', 'café.jpg'];

async function slidesSeen(host, wanted, shot = 'slideshow-odd-names.png') {
  const browser = await launchBrowser();
  try {
    const page = await browser.newPage();
    const seen = [];
    page.on('load', () => {
      page.evaluate(look).then((s) => s && seen.push(s), () => {});
    });
    await page.goto(host.url('/ZephraSlideshow.asp'), { waitUntil: 'load' });
    const deadline = Date.now() + WAIT;
    while (Date.now() < deadline && new Set(seen.filter((s) => s.startsWith('picture '))).size < wanted)
      await new Promise((r) => setTimeout(r, 50));
    await page.screenshot({ path: artifactPath(shot), timeout: 5000 }).catch(() => {});
    return seen;
  } finally {
    await browser.close();
  }
}

test('pictures named with an apostrophe, #, % or an accent show, for other browsers and for appliances', async () => {
  const files = {};
  ODD_NAMES.forEach((name, i) => { files[`HTML/pics/${name}`] = picture('jpg', `${400 + i * 40}x300`); });
  // What the old addresses fetched instead: no picture.
  files['HTML/ZephraTemp/Tom'] = 'not a picture';
  files['HTML/ZephraTemp/a'] = 'not a picture';
  const address = (name) => encodeURIComponent(name).replace(/'/g, '%27').replace(/%C3%A9/g, '%E9');
  const other = await startHost({
    settings: ['SlideshowUpdateInterval=1', 'SlideshowPath=pics', 'DontRandomize=1'],
    files,
  });
  try {
    const seen = await slidesSeen(other, ODD_NAMES.length);
    ODD_NAMES.forEach((name, i) => {
      const w = `picture /ZephraTemp/Originals/${address(name)} ${400 + i * 40}x300`;
      assert.ok(seen.includes(w), `${w} not in: ${seen.join(', ')}`);
    });
    assert.ok(!seen.includes('broken picture'), seen.join(', '));
  } finally {
    await other.stop();
  }

  const appliance = await startHost({
    settings: ['SlideshowUpdateInterval=1', 'SlideASP0=pics,1', 'DontRandomize=1', 'MaxPixels=100000'],
    names: ['127.0.0.1/127.0.0.1:9="Browser,,,,1,0,"'],
    files,
  });
  try {
    const seen = await slidesSeen(appliance, ODD_NAMES.length);
    // 100000 / 300 pixels wide.
    for (const name of ODD_NAMES) {
      const w = `picture /ZephraTemp/${address(name)} 333x`;
      assert.ok(seen.some((s) => s.startsWith(w)), `${w} not in: ${seen.join(', ')}`);
    }
    assert.ok(!seen.includes('broken picture'), seen.join(', '));
  } finally {
    await appliance.stop();
  }
});

// One HTTP GET from the given loopback address: the status and the body's bytes.
function getFrom(localAddress, url) {
  return new Promise((resolve, reject) => {
    const request = http.get(url, { localAddress, agent: false }, (response) => {
      const chunks = [];
      response.on('data', (c) => chunks.push(c));
      response.on('end', () => resolve({ status: response.statusCode, body: Buffer.concat(chunks) }));
    });
    request.on('error', reject);
    request.setTimeout(WAIT, () => request.destroy(new Error(`no answer from ${url}`)));
  });
}

// The picture a slide page shows, fetched from the same address as the page: its address and size.
async function slidePicture(from, host) {
  const slide = await getFrom(from, host.url('/ZephraSlideshow.asp'));
  assert.strictEqual(slide.status, 200);
  const src = / src='([^']*)'/.exec(slide.body.toString('latin1'));
  assert.ok(src, slide.body.toString('latin1'));
  const picture = await getFrom(from, src[1]);
  assert.strictEqual(picture.status, 200, src[1]);
  const size = execFileSync('identify', ['-format', '%wx%h', '-'], { input: picture.body }).toString();
  return { src: src[1], size };
}

test('an appliance keeps its resized picture while another browser is shown the same slide whole', async () => {
  const sim = await startAppliances(['kitchen']);
  const host = await startHost({
    settings: ['SlideshowUpdateInterval=10', 'SlideASP0=pics,10', 'SlideshowPath=pics', 'MaxPixels=100000'],
    names: [`127.0.0.2/${sim.http.kitchen}="Kitchen,,,,1,0,"`],
    files: { 'HTML/pics/big.jpg': picture('jpg', '1000x750') },
  });
  try {
    // The appliance (127.0.0.2) is given the picture resized to 100000 / 750 pixels wide; a desktop
    // browser (127.0.0.1) the whole picture; the appliance's picture is still the small one after.
    const small = await slidePicture('127.0.0.2', host);
    assert.strictEqual(small.size, '133x100', small.src);
    const whole = await slidePicture('127.0.0.1', host);
    assert.strictEqual(whole.size, '1000x750', whole.src);
    assert.notStrictEqual(whole.src, small.src);
    const again = await getFrom('127.0.0.2', small.src);
    assert.strictEqual(execFileSync('identify', ['-format', '%wx%h', '-'], { input: again.body }).toString(), '133x100');
    // The appliance's next slide is resized again, under the same name.
    const next = await slidePicture('127.0.0.2', host);
    assert.deepStrictEqual(next, small);
  } finally {
    await host.stop();
    await sim.stop();
  }
});

// A single-picture row written without a leading "\" (as settings are usually typed) shows its
// picture whether it is shrunk or not; a phone's photo is shrunk once, and then served at once
// while other requests wait for nothing.
test('single-picture rows typed without a backslash show their pictures, small or shrunk', async () => {
  const host = await startHost({
    settings: ['SlideshowUpdateInterval=1', 'SlideASP0=small1.jpg,1', 'SlideASP1=Big.JPG,1', 'MaxPixels=100000'],
    names: ['127.0.0.1/127.0.0.1:9="Browser,,,,1,0,"'],
    files: {
      'HTML/small1.jpg': picture('jpg', '220x165'),
      'HTML/Big.JPG': picture('jpg', '400x300'),
    },
  });
  try {
    // The small picture whole under its own name; the photo named in capitals shrunk to
    // 100000 / 300 pixels wide.
    const seen = await slidesSeen(host, 2, 'slideshow-single-pictures.png');
    for (const w of ['picture /small1.jpg 220x165', 'picture /ZephraTemp/Big.JPG 333x250'])
      assert.ok(seen.includes(w), `${w} not in: ${seen.join(', ')}`);
    assert.ok(!seen.includes('broken picture'), seen.join(', '));
  } finally {
    await host.stop();
  }
});

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
    const first = await rawGet(host.url('/ZephraSlideshow.asp'));
    assert.strictEqual(first.status, 200);
    assert.match(first.body.toString('latin1'), / src='http:\/\/127\.0\.0\.1:\d+\/ZephraTemp\/photo\.jpg'>/);
    // 100000 / 3000 pixels wide.
    assert.strictEqual(execFileSync('identify', ['-format', '%wx%h', copy]).toString(), '33x25');
    const written = fs.statSync(copy, { bigint: true }).mtimeNs;

    // The second showing and another client's page at the same moment.
    const [again, beside] = await Promise.all([rawGet(host.url('/ZephraSlideshow.asp')), rawGet(host.url('/note.htm'))]);
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
    const small = await rawGet(src);
    assert.strictEqual(small.status, 200);
    assert.strictEqual(execFileSync('identify', ['-format', '%m %wx%h', '-'], { input: small.body }).toString(), 'JPEG 33x25');
  } finally {
    await host.stop();
  }
});
