// For the browser tests: an application folder with the plug-in's own web server on a free
// loopback port, zephra-host started on it, and Debian's Chromium (headless, through
// playwright-core) that may reach nothing but 127.0.0.1.
'use strict';

const { spawn } = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');

const CHROMIUM = process.env.ZEPHRA_CHROMIUM || '/usr/bin/chromium';
// The ceiling of a wait for a program's own event (started, answered): far above what a heavily
// loaded machine takes, as each wait ends when its event comes.
const WAIT = 120000;

// A port that was free a moment ago.
function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

function write(root, relative, content) {
  const file = path.join(root, relative);
  fs.mkdirSync(path.dirname(file), { recursive: true });
  fs.writeFileSync(file, content);
  return file;
}

// zephra-host with the plug-in on a fresh application folder. `settings`: more lines of the
// plug-in's section "Zephra Utilities"; `names`: lines of section "Zephra Names"; `more`: lines
// of further sections (all written in the host's code page); `files`: relative path -> content,
// written first.
async function startHost({ settings = [], names = [], more = [], files = {} } = {}) {
  const program = process.env.ZEPHRA_HOST;
  const plugin = process.env.ZEPHRA_PLUGIN;
  if (!program || !plugin) throw new Error('ZEPHRA_HOST and ZEPHRA_PLUGIN name the host program and the plug-in');
  const appDir = fs.mkdtempSync(path.join(os.tmpdir(), 'zephra-browser-'));
  let webPort = 0;
  let serverPort = 0;
  const choosePorts = async () => {
    webPort = await freePort();
    serverPort = await freePort();
    write(appDir, 'Config/settings.ini', `[Settings]\r\nsvrport=${webPort}\r\n`);
    // The host keeps settings files in its single-byte code page: "ü" is the one byte 0xFC.
    write(appDir, 'Config/dkvZephraUtilities.ini', Buffer.from(
          ['[Zephra Utilities]', 'HomeseerIP=127.0.0.1', `ServerPort=${serverPort}`, ...settings, '[Zephra Names]', ...names, ...more, '']
            .join('\r\n'), 'latin1'));
  };
  await choosePorts();
  // The plug-in's UDP server takes any free port; its registry is kept apart from the user's.
  write(appDir, 'registry/zephra/registry.ini', '[Zephra\\Options]\r\nLocalPort=0\r\n');
  for (const [relative, content] of Object.entries(files)) write(appDir, relative, content);

  // The program on the folder; `output` gathers what every run printed.
  let output = '';
  let child = null;
  let exited = null;
  const run = async () => {
    child = spawn(program, ['--app-dir', appDir, '--plugin', plugin], {
      env: { ...process.env, XDG_CONFIG_HOME: path.join(appDir, 'registry') },
      stdio: ['pipe', 'pipe', 'pipe'],
    });
    const from = output.length;
    child.stdout.on('data', (d) => { output += d; });
    child.stderr.on('data', (d) => { output += d; });
    const running = child;
    exited = new Promise((resolve) => running.once('exit', resolve));

    const deadline = Date.now() + WAIT;
    while (!output.includes('zephra-host: dkvZephra ready', from)) {
      if (running.exitCode !== null || Date.now() > deadline) {
        running.kill('SIGTERM');
        throw new Error(`zephra-host did not start:\n${output.slice(from)}`);
      }
      await new Promise((r) => setTimeout(r, 50));
    }
  };
  const end = async () => {
    if (child.exitCode === null) child.kill('SIGTERM');
    await exited;
  };
  // A port free when chosen may be taken by a program beside the test before the host listens on
  // it: then the host says so, and it is started again on other ports.
  for (let attempt = 1; ; ++attempt) {
    const from = output.length;
    await run();
    const said = output.slice(from);
    const taken = [webPort, serverPort].some((port) => new RegExp(`cannot listen on TCP [0-9.]+:${port}(?![0-9])`).test(said));
    if (!taken || attempt === 5) break;
    await end();
    await choosePorts();
  }

  return {
    appDir,
    webPort,
    serverPort,
    url: (page) => `http://127.0.0.1:${serverPort}${page}`,
    hostUrl: (page) => `http://127.0.0.1:${webPort}${page}`,
    output: () => output,
    // The value the host's script prompt prints for `expression`.
    async ask(expression) {
      const mark = `= <${Math.random().toString(36).slice(2)}|`;
      const from = output.length;
      child.stdin.write(`? "${mark.slice(2)}" & (${expression}) & ">"\n`);
      const deadline = Date.now() + WAIT;
      for (;;) {
        const at = output.indexOf(mark, from);
        const end = at < 0 ? -1 : output.indexOf('>', at + mark.length);
        if (end >= 0) return output.slice(at + mark.length, end);
        if (Date.now() > deadline) throw new Error(`no answer for ${expression}:\n${output.slice(from)}`);
        await new Promise((r) => setTimeout(r, 20));
      }
    },
    // Runs one statement on the host's script prompt; returns once it has run.
    async run(statement) {
      child.stdin.write(`${statement}\n`);
      await this.ask('1');
    },
    // Ends the program and starts it again on the same folder and ports.
    async restart() {
      await end();
      await run();
    },
    async stop() {
      await end();
      fs.rmSync(appDir, { recursive: true, force: true });
    },
  };
}

// Headless Chromium that resolves and reaches no host but the loopback address.
// Its pages wait for their events up to WAIT rather than Playwright's 30 s.
async function launchBrowser() {
  const browser = await chromium.launch({
    executablePath: CHROMIUM,
    headless: true,
    timeout: WAIT,
    args: [
      '--no-sandbox',
      '--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1',
      '--disable-background-networking',
      '--disable-component-update',
      '--no-first-run',
    ],
  });
  const newPage = browser.newPage.bind(browser);
  browser.newPage = async (options) => {
    const page = await newPage(options);
    page.setDefaultTimeout(WAIT);
    return page;
  };
  return browser;
}

// Where a test keeps its screenshots and other artifacts.
function artifactPath(name) {
  const dir = process.env.ZEPHRA_ARTIFACTS || path.join(os.tmpdir(), 'zephra-browser-artifacts');
  fs.mkdirSync(dir, { recursive: true });
  return path.join(dir, name);
}

module.exports = { startHost, launchBrowser, artifactPath, freePort, WAIT };

// appliance-sim with one appliance per name, each on its own loopback address; resolves to its
// HTTP addresses by name, its log file and a stop function.
async function startAppliances(names) {
  const program = process.env.ZEPHRA_APPLIANCE_SIM;
  if (!program) throw new Error('ZEPHRA_APPLIANCE_SIM names appliance-sim');
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zephra-sim-'));
  const log = path.join(dir, 'sim.log');
  const args = names.flatMap((name, i) => ['--appliance', `${name}=127.0.0.${i + 2}:0`]);
  const child = spawn(program, [...args, '--log', log], { stdio: ['pipe', 'pipe', 'pipe'] });
  let output = '';
  child.stdout.on('data', (d) => { output += d; });
  const exited = new Promise((resolve) => child.once('exit', resolve));
  const deadline = Date.now() + WAIT;
  while (!output.split('\n').includes('ready')) {
    if (child.exitCode !== null || Date.now() > deadline) throw new Error(`appliance-sim did not start:\n${output}`);
    await new Promise((r) => setTimeout(r, 20));
  }
  const http = {};
  for (const line of output.split('\n')) {
    const [kind, name, socket, address] = line.trim().split(/\s+/);
    if (kind === 'appliance' && socket === 'http') http[name] = address;
  }
  return {
    http,
    log: () => (fs.existsSync(log) ? fs.readFileSync(log, 'utf8') : ''),
    async stop() {
      if (child.exitCode === null) child.kill('SIGTERM');
      await exited;
      fs.rmSync(dir, { recursive: true, force: true });
    },
  };
}

module.exports.startAppliances = startAppliances;

// One HTTP GET over a plain socket from 127.0.0.1: the status, the body and how long the answer
// took. The plug-in's text files carry the system's own "Last-Modified" line without a colon,
// which node's HTTP parser refuses even in its lenient mode.
function rawGet(url) {
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

module.exports.rawGet = rawGet;
