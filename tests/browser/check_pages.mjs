// The pages vexlane-stats writes, in Chromium at a phone's width (390x844)
// and a desktop's (1280x800), served from 127.0.0.1:
//
//   node check_pages.mjs [--artifacts DIR] [--label NAME] DIR-or-PAGE...
//
// A directory stands for every .html file under it (of the pages of single
// battles, the first and last two of a folder); a page is served from its
// own directory. A page fails on
//   - a request to any host but the local server, a failed request or an
//     answer of 400 or more (a /favicon.ico 404: the icon must be inline),
//     a console error, an uncaught error or a dialog;
//   - markup that came from log text: window.__pwned set (the hostile log's
//     payloads set it), an element or attribute the pages are not built
//     of, an on* attribute, a javascript: link, a script with src or
//     anywhere but at the end of body;
//   - a link to a page or an anchor that is not there;
//   - sideways scrolling at 390 px: the page itself, and any table of the
//     index, level and player pages; elsewhere a wide table must sit in a
//     scroll container that the keyboard reaches (tabindex="0");
//   - an SVG whose <text> labels overlap, or that has no <title>;
//   - an axe-core violation (light colours at 390 px, dark at 1280 px).
// Screenshots of index.html and of the first player page at both widths go
// to DIR as NAME-index-390.png, NAME-player-1280.png, ...
// Exit status: 0 every page passed, 1 a page failed, 2 a usage error.
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const VIEWPORTS = [
  { width: 390, height: 844, colours: 'light' },
  { width: 1280, height: 800, colours: 'dark' },
];
const CHROMIUM_FLAGS = [
  '--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic',
  '--no-first-run', '--disable-background-networking',
  '--disable-component-update', '--disable-sync',
];

function usage(message) {
  console.error(`check_pages.mjs: ${message}`);
  console.error('usage: node check_pages.mjs [--artifacts DIR] [--label NAME] DIR-or-PAGE...');
  process.exit(2);
}

const args = process.argv.slice(2);
let artifacts = null;
let label = 'pages';
const inputs = [];
while (args.length) {
  const arg = args.shift();
  if (arg === '--artifacts') artifacts = args.shift() ?? usage('--artifacts needs a directory');
  else if (arg === '--label') label = args.shift() ?? usage('--label needs a name');
  else if (arg.startsWith('--')) usage(`unknown option ${arg}`);
  else inputs.push(arg);
}
if (!inputs.length) usage('no pages given');

// Each root directory is served by a server of its own; a page is named by
// its path under its root.
const roots = new Map(); // root -> [relative page paths]
function addPage(root, file) {
  if (!roots.has(root)) roots.set(root, []);
  roots.get(root).push(path.relative(root, file).split(path.sep).join('/'));
}
// The pages of single battles are made alike, and a season has hundreds:
// the first and last few of a folder stand for them (links to all of them
// are still checked).
const BATTLE_PAGES_CHECKED = 4;
function walk(dir, root) {
  const battles = [];
  for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
    const full = path.join(dir, entry.name);
    if (entry.isDirectory()) walk(full, root);
    else if (/^event-\d+(-\d+)?\.html$/.test(entry.name)) battles.push(full);
    else if (entry.name.endsWith('.html')) addPage(root, full);
  }
  const number = (f) => parseInt(path.basename(f).slice(6), 10);
  battles.sort((a, b) => number(a) - number(b));
  const half = BATTLE_PAGES_CHECKED / 2;
  battles.forEach((full, i) => {
    if (i < half || i >= battles.length - half) addPage(root, full);
  });
}
for (const input of inputs) {
  const full = path.resolve(input);
  if (!fs.existsSync(full)) usage(`${input} does not exist`);
  if (fs.statSync(full).isDirectory()) walk(full, full);
  else addPage(path.dirname(full), full);
}

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.css': 'text/css', '.js': 'text/javascript',
  '.svg': 'image/svg+xml', '.png': 'image/png', '.ico': 'image/x-icon',
  '.json': 'application/json', '.txt': 'text/plain; charset=utf-8',
};

// The file a local URL path names, or null when it leaves the root.
function fileOf(root, urlPath) {
  let decoded;
  try { decoded = decodeURIComponent(urlPath); } catch { return null; }
  const file = path.join(root, decoded.endsWith('/') ? `${decoded}index.html` : decoded);
  return file === root || file.startsWith(root + path.sep) ? file : null;
}

function serve(root) {
  const server = http.createServer((req, res) => {
    const file = fileOf(root, new URL(req.url, 'http://127.0.0.1').pathname);
    if (!file || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404, { 'content-type': 'text/plain' });
      res.end('not found');
      return;
    }
    res.writeHead(200, { 'content-type': TYPES[path.extname(file)] ?? 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Pages whose tables must fit a phone's width with no sideways scrolling.
function tablesMustFit(page) {
  return page === 'index.html' || page.startsWith('levels/') || page.startsWith('players/');
}

// Runs in the page: everything that reads the DOM and the layout.
function inspect({ page, width, strictTables }) {
  const problems = [];
  const say = (m) => problems.push(m);
  const short = (s) => JSON.stringify(s.length > 60 ? `${s.slice(0, 60)}...` : s);
  const nameOf = (el) => {
    const caption = el.querySelector('caption, title');
    const head = caption?.textContent.trim()
      || el.closest('section')?.querySelector('h1, h2, h3')?.textContent.trim();
    const all = [...document.getElementsByTagName(el.tagName)];
    return `${el.tagName.toLowerCase()} ${all.indexOf(el) + 1} of ${all.length}`
      + (head ? ` (${short(head)})` : '');
  };

  if (window.__pwned !== undefined) say('window.__pwned is set: log text ran as script');

  // Every element and attribute the pages are built of; log text must never
  // add another (a new one the pages need belongs in these lists).
  const ELEMENTS = new Set(`html head meta title style link body header nav main bdi
    footer section article aside h1 h2 h3 h4 h5 h6 p div span a ul ol li dl dt
    dd table caption colgroup col thead tbody tfoot tr th td figure figcaption
    details summary small strong em abbr time data code br hr button label
    svg g line polyline polygon path rect circle text tspan desc defs
    lineargradient stop clippath script noscript`.split(/\s+/));
  const ATTRIBUTES = new Set(`lang charset name content id class href rel type
    sizes media scope colspan rowspan headers role tabindex title datetime
    value open hidden viewbox xmlns focusable x y x1 y1 x2 y2 cx cy r rx ry d
    dx dy width height fill stroke stroke-width stroke-dasharray
    stroke-linecap stroke-linejoin points transform text-anchor
    dominant-baseline font-size font-weight opacity preserveaspectratio
    offset stop-color clip-path`.split(/\s+/));
  for (const el of document.querySelectorAll('*')) {
    const tag = el.tagName.toLowerCase();
    if (!ELEMENTS.has(tag)) say(`element <${tag}> the pages are not built of (from log text?)`);
    for (const { name, value } of el.attributes) {
      const n = name.toLowerCase();
      if (n.startsWith('on')) say(`event handler ${n}=${short(value)} on <${tag}>`);
      else if (!ATTRIBUTES.has(n) && !n.startsWith('aria-') && !n.startsWith('data-'))
        say(`attribute ${n}=${short(value)} on <${tag}> the pages do not use (from log text?)`);
    }
  }
  for (const a of document.querySelectorAll('[href]')) {
    const href = a.getAttribute('href').trim().toLowerCase();
    if (href.startsWith('javascript:') || href.startsWith('vbscript:'))
      say(`link ${short(href)}`);
    if (href.startsWith('data:') && !(a.tagName === 'LINK' && /\bicon\b/.test(a.rel)))
      say(`data: link ${short(href)} that is not the icon`);
  }

  // The pages' own scripts: inline, children of body after all its other
  // elements. Log text placed in the body cannot be there.
  const scripts = [...document.scripts];
  const bodyKids = [...document.body.children];
  const lastOther = bodyKids.findLastIndex((el) => el.tagName !== 'SCRIPT');
  for (const s of scripts) {
    if (s.hasAttribute('src')) say(`script with src=${short(s.getAttribute('src'))}`);
    if (s.parentElement !== document.body || bodyKids.indexOf(s) < lastOther)
      say(`script inside the page, not at the end of body: ${short(s.textContent.trim())}`);
    if (/__pwned/.test(s.textContent)) say('script holding log text');
  }

  const icon = document.querySelector('link[rel~="icon"]');
  if (!icon) say('no <link rel="icon">: browsers ask for /favicon.ico');
  else if (!icon.getAttribute('href').startsWith('data:')) say('the icon is not inline (data: URL)');

  // Anchors of this page.
  for (const a of document.querySelectorAll('a[href^="#"]')) {
    const id = decodeURIComponent(a.getAttribute('href').slice(1));
    if (id && !document.getElementById(id)) say(`link to missing anchor #${short(id)}`);
  }

  const viewportWidth = document.documentElement.clientWidth;
  if (document.documentElement.scrollWidth > viewportWidth)
    say(`the page scrolls sideways at ${width} px (${document.documentElement.scrollWidth} px wide)`);
  // Many tables of one page fail alike: one line names the first few.
  const listed = (what, items) => {
    if (items.length) say(`${items.length} ${what}: ${items.slice(0, 3).join('; ')}${items.length > 3 ? '; ...' : ''}`);
  };
  const wide = [];
  const unreachable = [];
  for (const table of document.querySelectorAll('table')) {
    if (table.scrollWidth <= viewportWidth) continue;
    const which = `${nameOf(table)}, ${table.scrollWidth} px`;
    if (strictTables) {
      wide.push(which);
      continue;
    }
    let scroller = table.parentElement;
    while (scroller && scroller !== document.body
           && !/(auto|scroll)/.test(getComputedStyle(scroller).overflowX)) {
      scroller = scroller.parentElement;
    }
    if (!scroller || scroller === document.body) wide.push(which);
    else if (scroller.getAttribute('tabindex') !== '0') unreachable.push(which);
  }
  listed(`tables wider than the page (${viewportWidth} px) at ${width} px`, wide);
  listed('tables in a scroll container without tabindex="0"', unreachable);

  for (const svg of document.querySelectorAll('svg')) {
    if (svg.getAttribute('aria-hidden') === 'true') continue;
    const title = svg.querySelector(':scope > title');
    if (!title || !title.textContent.trim()) say(`${nameOf(svg)} has no <title>`);
    const labels = [...svg.querySelectorAll('text')]
      .filter((t) => t.textContent.trim() && getComputedStyle(t).visibility !== 'hidden'
              && getComputedStyle(t).display !== 'none')
      .map((t) => ({ text: t.textContent.trim(), box: t.getBoundingClientRect() }))
      .filter((l) => l.box.width > 0 && l.box.height > 0);
    const overlaps = [];
    for (let i = 0; i < labels.length; i++) {
      for (let j = i + 1; j < labels.length; j++) {
        const a = labels[i].box;
        const b = labels[j].box;
        const across = Math.min(a.right, b.right) - Math.max(a.left, b.left);
        const down = Math.min(a.bottom, b.bottom) - Math.max(a.top, b.top);
        if (across > 1 && down > 1) overlaps.push(`${short(labels[i].text)} and ${short(labels[j].text)}`);
      }
    }
    listed(`overlapping labels in ${nameOf(svg)}`, overlaps);
  }
  return { problems, links: [...document.querySelectorAll('a[href]')].map((a) => a.href) };
}

const failures = []; // { page, message }
const fail = (page, message) => failures.push({ page, message });

const axeSource = fs.readFileSync(path.join(here, 'node_modules/axe-core/axe.min.js'), 'utf8');
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vexlane-chromium-'));
const browser = await puppeteer.launch({
  executablePath: process.env.CHROME_PATH || '/usr/bin/chromium',
  headless: true,
  args: CHROMIUM_FLAGS,
  userDataDir: profile,
  protocolTimeout: 120000,
});

async function check(root, origin, pageName, viewport) {
  const where = `${pageName} @${viewport.width}`;
  const tab = await browser.newPage();
  const local = (u) => u.replaceAll(origin, '');
  try {
    await tab.setViewport({ width: viewport.width, height: viewport.height });
    await tab.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: viewport.colours }]);
    await tab.setRequestInterception(true);
    tab.on('request', (req) => {
      const url = req.url();
      if (url.startsWith(`${origin}/`) || url.startsWith('data:')) {
        req.continue();
      } else {
        fail(where, `request to another host: ${url.slice(0, 100)}`);
        req.abort();
      }
    });
    tab.on('requestfailed', (req) => {
      if (req.url().startsWith(`${origin}/`))
        fail(where, `request failed: ${local(req.url())} (${req.failure()?.errorText})`);
    });
    tab.on('response', (res) => {
      if (res.status() >= 400) fail(where, `HTTP ${res.status()} for ${local(res.url())}`);
    });
    tab.on('console', (msg) => {
      if (msg.type() === 'error') fail(where, `console error: ${local(msg.text())}`);
    });
    tab.on('pageerror', (err) => fail(where, `page error: ${local(String(err.message ?? err))}`));
    tab.on('dialog', (dialog) => {
      fail(where, `a ${dialog.type()} dialog opened: ${dialog.message()}`);
      dialog.dismiss().catch(() => {});
    });

    const url = `${origin}/${pageName.split('/').map(encodeURIComponent).join('/')}`;
    await tab.goto(url, { waitUntil: 'load', timeout: 60000 });
    // An icon request, if the page makes one, comes after load.
    await new Promise((resolve) => setTimeout(resolve, 200));
    const found = await tab.evaluate(inspect, {
      page: pageName, width: viewport.width, strictTables: tablesMustFit(pageName),
    });
    for (const p of found.problems) fail(where, p);
    for (const link of found.links) {
      if (!link.startsWith(`${origin}/`)) continue;
      const file = fileOf(root, new URL(link).pathname);
      if (!file || !fs.existsSync(file)) fail(where, `link to a missing page: ${local(link)}`);
    }

    await tab.evaluate(axeSource);
    const axe = await tab.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }));
    for (const v of axe.violations) {
      const targets = v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(', ');
      fail(where, `axe ${v.id} (${v.impact}): ${v.help}; ${v.nodes.length} elements, e.g. ${targets}`);
    }

    if (artifacts) {
      const player = roots.get(root).filter((p) => p.startsWith('players/')).sort()[0];
      const shot = pageName === 'index.html' ? 'index' : pageName === player ? 'player' : null;
      if (shot) {
        fs.mkdirSync(artifacts, { recursive: true });
        const height = await tab.evaluate(() => document.documentElement.scrollHeight);
        await tab.screenshot({
          path: path.join(artifacts, `${label}-${shot}-${viewport.width}.png`),
          clip: { x: 0, y: 0, width: viewport.width, height: Math.min(height, 6000) },
          captureBeyondViewport: true,
        });
      }
    }
  } catch (err) {
    fail(where, `could not be checked: ${local(String(err.message ?? err))}`);
  } finally {
    await tab.close();
  }
}

let pages = 0;
try {
  for (const [root, names] of roots) {
    const server = await serve(root);
    const origin = `http://127.0.0.1:${server.address().port}`;
    try {
      for (const name of names.sort()) {
        pages += 1;
        for (const viewport of VIEWPORTS) await check(root, origin, name, viewport);
      }
    } finally {
      server.close();
    }
  }
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}

// One line per problem, with the pages that have it.
const byMessage = new Map();
for (const { page, message } of failures) {
  if (!byMessage.has(message)) byMessage.set(message, []);
  if (!byMessage.get(message).includes(page)) byMessage.get(message).push(page);
}
for (const [message, where] of byMessage) {
  const some = where.slice(0, 4).join(', ') + (where.length > 4 ? `, ... (${where.length})` : '');
  console.log(`FAIL ${label}: ${message}\n    on ${some}`);
}
console.log(`${label}: ${pages} pages at ${VIEWPORTS.map((v) => v.width).join(' and ')} px: `
            + (failures.length ? `${byMessage.size} problems` : 'all checks passed'));
process.exit(failures.length ? 1 : 0);
