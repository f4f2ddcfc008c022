// The plant board's page: the tiles from kvdplant's snapshot, kept current by its event stream.
'use strict';

const token = new URLSearchParams(location.search).get('token');
const machines = new Map(); // name -> the last JSON of the machine
const tiles = new Map(); // name -> its tile element
let clockOffset = 0; // kvdplant's clock minus ours, in ms
let refused = 0; // new machines the full board turned away

const STATE_TEXT = { running: 'running', idle: 'idle', alarm: 'alarm', wearing: 'wearing', offline: 'offline' };
const SVG = 'http://www.w3.org/2000/svg';
const TOP_VALUE = 110; // % at the top, as the statistics charts

function api(path) {
  if (!token) return path;
  return path + (path.includes('?') ? '&' : '?') + 'token=' + encodeURIComponent(token);
}

function el(tag, cls, text) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text !== undefined) e.textContent = text;
  return e;
}

function svgEl(tag, attrs) {
  const e = document.createElementNS(SVG, tag);
  for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, v);
  return e;
}


// The last peaks of the running cut with its Break and Blunt lines; alarmed cycles as red dots.
function drawChart(svg, m) {
  const box = svg.getBoundingClientRect(); // drawn in pixels, so dots stay round
  const width = Math.max(100, Math.round(box.width)), height = Math.max(60, Math.round(box.height));
  const yOf = (value) => (height - 4) - value * (height - 8) / TOP_VALUE;
  svg.setAttribute('viewBox', '0 0 ' + width + ' ' + height);
  svg.replaceChildren();
  for (const v of [25, 50, 75, 100]) svg.append(svgEl('line', { class: 'chart-grid', x1: 0, x2: width, y1: yOf(v), y2: yOf(v) }));
  if (m.breakLimit) svg.append(svgEl('line', { class: 'chart-break', x1: 0, x2: width, y1: yOf(m.breakLimit), y2: yOf(m.breakLimit) }));
  if (m.bluntMode === 'power' && m.bluntLimit > 4) {
    svg.append(svgEl('line', { class: 'chart-blunt', x1: 0, x2: width, y1: yOf(m.bluntLimit), y2: yOf(m.bluntLimit) }));
  }
  const n = m.peaks.length;
  if (n === 0) return;
  const xOf = (i) => (n === 1 ? width / 2 : 3 + i * (width - 6) / (n - 1));
  const points = m.peaks.map((p, i) => xOf(i).toFixed(1) + ',' + yOf(p).toFixed(1));
  svg.append(svgEl('polyline', { class: 'chart-peak', points: points.join(' ') }));
  m.alarms.forEach((a, i) => {
    if (a & 7) svg.append(svgEl('circle', { class: 'chart-alarm', cx: xOf(i), cy: yOf(m.peaks[i]), r: 3 }));
  });
}

function forecastText(name, f) {
  if (!f || f.kind === 'none') return null;
  if (f.kind === 'above') return name + ' reached';
  if (f.kind === 'steady') return name + ' steady';
  return name + ' in ~' + f.cycles + ' cycles';
}

function ago(ms) {
  const s = Math.max(0, Math.round((Date.now() + clockOffset - ms) / 1000));
  if (s < 90) return s + ' s ago';
  if (s < 5400) return Math.round(s / 60) + ' min ago';
  return Math.round(s / 3600) + ' h ago';
}

function makeTile(name) {
  const t = el('section', 'tile');
  t.tabIndex = 0;
  t.dataset.name = name;
  const head = el('div', 'head');
  head.append(el('span', 'name', name), el('span', 'state'));
  const body = el('div', 'body');
  const lamps = el('div', 'lamps');
  for (const k of ['break', 'blunt', 'missing']) lamps.append(el('span', 'lamp ' + k, k[0].toUpperCase() + k.slice(1)));
  const l1 = el('div', 'line');
  l1.append(el('span', 'cut'), el('span', 'rate dim'));
  const l2 = el('div', 'line');
  l2.append(lamps, el('span', 'seen dim'));
  const chart = svgEl('svg', { preserveAspectRatio: 'none' });
  body.append(l1, l2, chart, el('div', 'forecast'), el('div', 'shift dim'));
  t.append(head, body);
  t.addEventListener('click', () => openHistory(name));
  t.addEventListener('keydown', (e) => { if (e.key === 'Enter') openHistory(name); });
  return t;
}

// mill-2 before mill-10: numbers in names compare as numbers.
function byName(a, b) {
  return a.localeCompare(b, 'en', { numeric: true });
}

function placeTile(name) {
  const container = document.getElementById('tiles');
  const t = makeTile(name);
  const after = [...tiles.keys()].filter((n) => byName(n, name) > 0).sort(byName)[0];
  container.insertBefore(t, after ? tiles.get(after) : null);
  tiles.set(name, t);
  document.getElementById('empty').hidden = true;
  return t;
}

function render(m) {
  const t = tiles.get(m.name) || placeTile(m.name);
  t.className = 'tile status-' + m.status;
  t.dataset.status = m.status;
  t.dataset.sequence = m.sequence;
  t.dataset.cycles = m.cyclesSeen;
  t.dataset.lastCycle = m.lastCycle;
  t.querySelector('.state').textContent = STATE_TEXT[m.status] || m.status;
  let cut = m.cut ? 'Cut ' + m.cut : 'no cut yet';
  if (m.peaks.length) cut += ' \u00b7 peak ' + m.peaks[m.peaks.length - 1] + ' %';
  if (m.stateKnown && !m.connected && m.online) cut += ' \u00b7 no unit';
  t.querySelector('.cut').textContent = cut;
  const rate = m.cyclesPerHour >= 100 ? Math.round(m.cyclesPerHour) : m.cyclesPerHour;
  t.querySelector('.rate').textContent = rate + ' cycles/h';
  for (const k of ['break', 'blunt', 'missing']) t.querySelector('.lamp.' + k).classList.toggle('on', m.lamps[k]);
  drawChart(t.querySelector('svg'), m);
  const f = [forecastText('Break', m.forecast.break), forecastText('Blunt', m.forecast.blunt)].filter(Boolean);
  const fc = t.querySelector('.forecast');
  fc.textContent = f.length ? 'Wear: ' + f.join(', ') : 'Wear: too few cycles for a forecast';
  fc.classList.toggle('warn', m.status === 'wearing');
  const a = m.shiftAlarms;
  t.querySelector('.shift').textContent = 'Alarms this shift: Break ' + a.break + ', Blunt ' + a.blunt + ', Missing ' + a.missing;
  refreshAge(m);
}

function refreshAge(m) {
  const t = tiles.get(m.name);
  if (t) t.querySelector('.seen').textContent = m.lastSeenMs ? 'seen ' + ago(m.lastSeenMs) : '';
}

function refreshSummary() {
  const counts = {};
  for (const m of machines.values()) counts[m.status] = (counts[m.status] || 0) + 1;
  const parts = Object.keys(STATE_TEXT).filter((s) => counts[s]).map((s) => counts[s] + ' ' + s);
  const full = refused ? '; the board is full: ' + refused + (refused === 1 ? ' machine' : ' machines') + ' not shown' : '';
  document.getElementById('summary').textContent =
    machines.size + (machines.size === 1 ? ' machine' : ' machines') + (parts.length ? ': ' + parts.join(', ') : '') + full;
}

function update(m) {
  const old = machines.get(m.name);
  if (old && old.version > m.version) return; // the snapshot came after a newer event
  machines.set(m.name, m);
  render(m);
  refreshSummary();
}

function setLink(up) {
  const link = document.getElementById('link');
  link.className = up ? 'link-up' : 'link-down';
  link.textContent = up ? 'live' : 'reconnecting';
}

async function loadSnapshot() {
  try {
    const r = await fetch(api('/api/machines'), { cache: 'no-store' });
    if (!r.ok) throw new Error(r.status + ' ' + r.statusText);
    const j = await r.json();
    clockOffset = j.now - Date.now();
    refused = j.refused || 0;
    j.machines.forEach(update);
    refreshSummary();
  } catch (e) {
    document.getElementById('empty').textContent = 'The board cannot be read: ' + e.message;
  }
}

// The browser reconnects a dropped stream by itself, but gives up on an answer other than 200
// (kvdplant refuses streams beyond its bound): then the page starts again itself, a little later.
function listen() {
  const events = new EventSource(api('/api/events'));
  events.onopen = () => setLink(true);
  events.onerror = () => {
    setLink(false);
    if (events.readyState === EventSource.CLOSED) setTimeout(() => loadSnapshot().then(listen), 5000);
  };
  events.addEventListener('machine', (e) => update(JSON.parse(e.data)));
}

async function openHistory(name) {
  const box = document.getElementById('history');
  document.getElementById('history-title').textContent = name + ': history';
  document.getElementById('history-files').textContent = 'reading the journal\u2026';
  for (const id of ['history-summary', 'history-trend']) document.getElementById(id).textContent = '';
  const img = document.getElementById('history-chart');
  img.hidden = true;
  box.hidden = false;
  try {
    const r = await fetch(api('/api/machines/' + encodeURIComponent(name) + '/history'), { cache: 'no-store' });
    if (!r.ok) throw new Error((await r.text()).trim() || r.status);
    const h = await r.json();
    const files = h.files.length ? h.files[0] + (h.files.length > 1 ? ' to ' + h.files[h.files.length - 1] : '') : 'none';
    document.getElementById('history-files').textContent = 'Journal days: ' + files + (h.cut ? ' \u00b7 chart of cut ' + h.cut : '');
    document.getElementById('history-summary').textContent = h.summary || '';
    document.getElementById('history-trend').textContent = (h.trend || '') + (h.problems && h.problems.length ? '\n' + h.problems.join('\n') : '');
    if (h.chartSvg) {
      if (img.src) URL.revokeObjectURL(img.src);
      img.src = URL.createObjectURL(new Blob([h.chartSvg], { type: 'image/svg+xml' }));
      img.hidden = false;
    }
  } catch (e) {
    document.getElementById('history-files').textContent = 'No history: ' + e.message;
  }
}

function closeHistory() {
  document.getElementById('history').hidden = true;
}

document.getElementById('history-close').addEventListener('click', closeHistory);
document.getElementById('history').addEventListener('click', (e) => { if (e.target.id === 'history') closeHistory(); });
document.addEventListener('keydown', (e) => { if (e.key === 'Escape') closeHistory(); });
window.addEventListener('resize', () => machines.forEach(render));
setInterval(() => machines.forEach(refreshAge), 1000); // the ages only: the data come by the stream
loadSnapshot().then(listen);
