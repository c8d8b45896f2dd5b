// Opens OUTDIR/report.html in headless Chromium, driven through its DevTools
// protocol on a pipe (no npm package), and checks the rendered page against
// the audit's tables: one footprint per read tile with its worst verdict, the
// verdict grid's counts equal to verdicts.tsv's summary lines, no request
// beyond the file itself, no console error, a screenshot that is not blank.
//
//   node report_browser.mjs OUTDIR [--tmp DIR] [--screenshot PNG] [--timing] [--no-check]
//
// --screenshot saves the page down to the end of its map (the docs' picture);
// --timing prints the seconds from navigation to a laid-out page.
// Exit status: 0 passed, 1 failed, 77 Chromium is missing (a skip).
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const args = process.argv.slice(2);
const option = (name) => { const k = args.indexOf(name); return k < 0 ? null : args.splice(k, 2)[1]; };
const flag = (name) => { const k = args.indexOf(name); if (k >= 0) args.splice(k, 1); return k >= 0; };
const tmpRoot = option('--tmp') || os.tmpdir(), shot = option('--screenshot');
const timing = flag('--timing'), check = !flag('--no-check');
const outdir = args[0];
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';
if (!outdir) { console.error('usage: node report_browser.mjs OUTDIR [--tmp DIR] [--screenshot PNG] [--timing] [--no-check]'); process.exit(2); }
if (!fs.existsSync(chromium)) { console.log(`SKIP: no Chromium at ${chromium} (apt-get install chromium)`); process.exit(77); }

const failures = [];
const expect = (ok, what) => { if (!ok) failures.push(what); };

// RFC 4180 rows, fields quoted where they hold a comma, a quote or a line end.
function csvRows(text) {
  const rows = []; let row = [], f = '', q = false;
  for (let i = 0; i < text.length; i++) {
    const c = text[i];
    if (q) { if (c === '"' && text[i + 1] === '"') { f += '"'; i++; } else if (c === '"') q = false; else f += c; }
    else if (c === '"' && f === '') q = true;
    else if (c === ',') { row.push(f); f = ''; }
    else if (c === '\n') { row.push(f); rows.push(row); row = []; f = ''; }
    else f += c;
  }
  if (f !== '' || row.length) { row.push(f); rows.push(row); }
  return rows;
}

const profile = fs.mkdtempSync(path.join(tmpRoot, 'chromium-'));
const browser = spawn(chromium, ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync', '--disable-extensions',
  '--hide-scrollbars', '--remote-debugging-pipe', `--user-data-dir=${profile}`, 'about:blank'],
  { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
let browserLog = '';
browser.stderr.on('data', (d) => { browserLog += d; });
const toBrowser = browser.stdio[3], fromBrowser = browser.stdio[4];

// Messages are JSON texts, each ended by a NUL byte.
let nextId = 1, pending = new Map(), listeners = [], inbox = Buffer.alloc(0);
fromBrowser.on('data', (chunk) => {
  inbox = Buffer.concat([inbox, chunk]);
  for (let end; (end = inbox.indexOf(0)) >= 0; inbox = inbox.subarray(end + 1)) {
    const m = JSON.parse(inbox.subarray(0, end).toString('utf8'));
    if (m.id && pending.has(m.id)) {
      const { resolve, reject } = pending.get(m.id); pending.delete(m.id);
      m.error ? reject(new Error(`${m.error.message} ${m.error.data || ''}`)) : resolve(m.result);
    } else listeners.forEach((l) => l(m));
  }
});
function send(method, params = {}, sessionId) {
  const id = nextId++;
  toBrowser.write(JSON.stringify({ id, method, params, ...(sessionId ? { sessionId } : {}) }) + '\0');
  return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
}
const event = (name) => new Promise((resolve) => listeners.push((m) => { if (m.method === name) resolve(m.params); }));

const requests = [], errors = [];
listeners.push((m) => {
  if (m.method === 'Network.requestWillBeSent') requests.push(m.params.request.url);
  if (m.method === 'Runtime.consoleAPICalled' && ['error', 'assert'].includes(m.params.type))
    errors.push(m.params.args.map((a) => a.value ?? a.description).join(' '));
  if (m.method === 'Runtime.exceptionThrown') errors.push(m.params.exceptionDetails.text);
  if (m.method === 'Log.entryAdded' && m.params.entry.level === 'error') errors.push(m.params.entry.text);
});

async function main() {
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  const page = (method, params) => send(method, params, sessionId);
  for (const domain of ['Page', 'Runtime', 'Log', 'Network']) await page(`${domain}.enable`);
  await page('Emulation.setDeviceMetricsOverride', { width: 1040, height: 1400, deviceScaleFactor: 1, mobile: false });
  const loaded = event('Page.loadEventFired');
  const started = process.hrtime.bigint();
  await page('Page.navigate', { url: pathToFileURL(path.resolve(outdir, 'report.html')).href });
  await loaded;
  const dom = (await page('Runtime.evaluate', { returnByValue: true, expression: `(() => ({
    height: document.body.scrollHeight,
    parsed: performance.getEntriesByType('navigation').map(n => n.domInteractive / 1000)[0],
    mapBottom: (document.getElementById('map') || document.body).getBoundingClientRect().bottom + scrollY,
    footprints: [...document.querySelectorAll('[data-tile]')].map(e => [e.dataset.tile, e.dataset.verdict]),
    grid: [...document.querySelectorAll('tr[data-check]')].map(r => [r.dataset.check, r.dataset.pass, r.dataset.warn, r.dataset.fail]),
    resources: performance.getEntriesByType('resource').map(e => e.name),
    external: document.querySelectorAll('[src], link[href]').length,
    sortable: !(document.getElementById('table-controls') || { hidden: true }).hidden,
    sorted: (() => { const th = document.querySelector('#tile-table th:nth-child(2)'); th.click();
      const names = [...document.querySelectorAll('#tiles table.tt tbody tr')].map((r) => r.cells[1].textContent.toLowerCase());
      return names.length > 1 && names.every((n, i) => i === 0 || names[i - 1] <= n); })() }))()` })).result.value;
  const seconds = Number(process.hrtime.bigint() - started) / 1e9;
  if (timing) console.log(`open: ${seconds.toFixed(2)} s (parsed after ${dom.parsed.toFixed(2)} s) for a page ${dom.height} px high`);

  if (check) {
    const [heading, ...rows] = csvRows(fs.readFileSync(path.join(outdir, 'tiles.csv'), 'utf8'));
    const col = (name) => heading.indexOf(name), checks = heading.map((h, k) => h.startsWith('check:') ? k : -1).filter((k) => k >= 0);
    const rank = { pass: 1, warn: 2, fail: 3 };
    const want = rows.filter((r) => ['ok', 'truncated'].includes(r[col('status')])).map((r) => {
      const worst = checks.reduce((w, k) => (rank[r[k]] || 0) > (rank[w] || 0) ? r[k] : w, 'pass');
      return `${r[col('tile')]} -> ${worst}`;
    }).sort();
    const got = dom.footprints.map(([t, v]) => `${t} -> ${v}`).sort();
    expect(want.length > 0, 'the delivery has read tiles');
    expect(JSON.stringify(got) === JSON.stringify(want),
      `footprints differ from the read tiles of tiles.csv:\n  want ${want.join('\n       ')}\n  got  ${got.join('\n       ')}`);
    const totals = fs.readFileSync(path.join(outdir, 'verdicts.tsv'), 'utf8').split('\n').filter((l) => l.startsWith('total\t'))
      .map((l) => { const [, c, counts] = l.split('\t'); const n = Object.fromEntries(counts.split(' ').map((w) => w.split('='))); return [c, n.pass, n.warn, n.fail]; });
    expect(totals.length > 0 && JSON.stringify(dom.grid) === JSON.stringify(totals),
      `verdict grid ${JSON.stringify(dom.grid)} differs from verdicts.tsv ${JSON.stringify(totals)}`);
    const away = [...requests, ...dom.resources].filter((u) => !/^(file|data|about):/.test(u));
    expect(away.length === 0 && dom.external === 0, `the page reached beyond itself: ${away.join(' ')} (${dom.external} src/href)`);
    expect(errors.length === 0, `console errors: ${errors.join('; ')}`);
    expect(dom.sortable && dom.sorted, 'the table\'s script ran and sorts by name');
  }

  const clip = shot ? { x: 0, y: 0, width: 1040, height: Math.ceil(dom.mapBottom) + 8, scale: 1 } : undefined;
  const png = (await page('Page.captureScreenshot', { format: 'png', ...(clip ? { clip, captureBeyondViewport: true } : {}) })).data;
  if (shot) fs.writeFileSync(shot, Buffer.from(png, 'base64'));
  // Not blank: the page itself decodes the picture and counts its colours.
  const colours = (await page('Runtime.evaluate', { awaitPromise: true, returnByValue: true, expression: `new Promise(done => {
    const img = new Image(); img.onload = () => { const c = document.createElement('canvas'); c.width = img.width; c.height = img.height;
      const g = c.getContext('2d'); g.drawImage(img, 0, 0); const d = g.getImageData(0, 0, c.width, c.height).data, seen = new Set();
      for (let i = 0; i < d.length && seen.size < 64; i += 4 * 97) seen.add((d[i] << 16) | (d[i + 1] << 8) | d[i + 2]); done(seen.size); };
    img.onerror = () => done(0); img.src = 'data:image/png;base64,${png}'; })` })).result.value;
  expect(colours >= 8, `the screenshot is blank (${colours} colours)`);
}

const watchdog = setTimeout(() => { failures.push('Chromium did not answer within 60 s'); finish(); }, 60000);
const exited = new Promise((resolve) => browser.on('exit', resolve));
async function finish() {
  clearTimeout(watchdog);
  browser.kill();
  await Promise.race([exited, new Promise((resolve) => setTimeout(resolve, 5000))]);
  // The profile links to the folder of Chromium's singleton socket, which
  // Chromium makes in the system's temporary folder and leaves there.
  let socketFolder = null;
  try { socketFolder = path.dirname(fs.readlinkSync(path.join(profile, 'SingletonSocket'))); } catch { /* none */ }
  if (socketFolder && !path.basename(socketFolder).startsWith('org.chromium.')) socketFolder = null;
  // Chromium's helpers may still be writing there a moment after it exits.
  for (const folder of [profile, socketFolder].filter(Boolean)) {
    for (let tries = 0; fs.existsSync(folder) && tries < 20; tries++) {
      try { fs.rmSync(folder, { recursive: true, force: true }); } catch { await new Promise((r) => setTimeout(r, 250)); }
    }
  }
  if (failures.length) {
    console.log(`FAIL ${outdir}/report.html:\n- ${failures.join('\n- ')}`);
    if (browserLog) console.log(`Chromium said:\n${browserLog.slice(-2000)}`);
  } else if (check) console.log(`ok: ${outdir}/report.html renders and matches its tables`);
  process.exit(failures.length ? 1 : 0);
}
main().catch((e) => failures.push(`driver: ${e.message}`)).finally(finish);
