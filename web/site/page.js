// The page around the program: title, loading bar, Play, full screen, the
// start screen after the end, and every error shown on the page as well as in
// the console. Links: ?t=SECONDS draws the still at that time without sound;
// ?from=A&to=B plays that span and comes back to the start screen.
'use strict';

(() => {
  const kMusic = 'data/music.mp3';
  const kProgram = 'vantrel.js';

  const $ = (id) => document.getElementById(id);
  const root = document.documentElement;
  const canvas = $('canvas');
  const progress = $('progress');
  const progressText = $('progress-text');
  const playButton = $('play');
  const hint = $('hint');
  const errorBox = $('error');

  // What the tests read: the state, the program, the timings.
  const page = {
    state: 'loading',
    module: null,
    errors: [],
    timings: { start: performance.now() },
    still: null,
    from: 0,
    to: -1,
  };
  globalThis.vantrelPage = page;

  function setState(state) {
    page.state = state;
    root.dataset.vantrel = state;
  }

  function fail(text) {
    const message = String(text).trim() || 'unknown error';
    console.error(message);
    page.errors.push(message);
    errorBox.textContent = page.errors.join('\n');
    errorBox.hidden = false;
    playButton.hidden = true;
    hint.hidden = true;
    $('loading').hidden = true;
    if (page.state === 'playing' && page.module) stopProgram();
    leaveFullscreen();
    setState('error');
  }

  window.addEventListener('error', (event) => fail(event.message || 'script error'));
  window.addEventListener('unhandledrejection', (event) => {
    const reason = event.reason;
    fail(reason && reason.message ? reason.message : String(reason));
  });

  // ---- the link's times

  const params = new URLSearchParams(location.search);
  function timeParameter(name) {
    if (!params.has(name)) return null;
    const text = params.get(name);
    const value = Number(text);
    if (text.trim() === '' || !Number.isFinite(value) || value < 0)
      throw new Error(`?${name}=${text}: not a time in seconds`);
    return value;
  }

  // ---- loading bar: bytes of the music and of the program's data

  const downloads = { music: { received: 0, total: 0 }, data: { received: 0, total: 0 } };
  page.downloads = downloads;
  function showProgress() {
    let received = 0;
    let total = 0;
    for (const d of Object.values(downloads)) {
      received += d.received;
      // A server that compresses reports the compressed size: never less than what came.
      total += Math.max(d.total, d.received);
    }
    progress.value = total > 0 ? received / total : 0;
    const mb = (bytes) => (bytes / 1048576).toFixed(1);
    progressText.textContent = total > 0 ? `Loading ${mb(received)} of ${mb(total)} MB` : 'Loading';
  }

  // emscripten's file packager reports "Downloading data... (loaded/total)".
  function programStatus(text) {
    const match = /\((\d+)\/(\d+)\)/.exec(text || '');
    if (match) {
      downloads.data.received = Number(match[1]);
      downloads.data.total = Number(match[2]);
      showProgress();
    }
  }

  function loadScript(src) {
    return new Promise((resolve, reject) => {
      const script = document.createElement('script');
      script.src = src;
      script.onload = resolve;
      script.onerror = () => reject(new Error(`${src}: download failed`));
      document.head.appendChild(script);
    });
  }

  // ---- canvas size and full screen

  // The program sizes the canvas's buffer to its place on the page (device
  // pixels) every frame it draws; between frames it is told here.
  function resizeCanvas() {
    const m = page.module;
    if (!m) return;
    m._vantrel_resize(canvas.clientWidth, canvas.clientHeight);
    // A new size clears the canvas: a still is drawn again.
    if (page.state === 'still') m._vantrel_still(page.still);
  }
  window.addEventListener('resize', resizeCanvas);
  document.addEventListener('fullscreenchange', resizeCanvas);

  function enterFullscreen() {
    const target = document.documentElement;
    if (!document.fullscreenElement && target.requestFullscreen)
      target.requestFullscreen({ navigationUI: 'hide' }).catch(() => {
        // Refused (a frame without permission, a browser setting): plays in the window.
      });
  }

  function leaveFullscreen() {
    if (document.fullscreenElement && document.exitFullscreen) document.exitFullscreen().catch(() => {});
  }

  // ---- playing

  function stopProgram() {
    try {
      page.module._vantrel_stop();
    } catch (error) {
      // A program that ended on an error has nothing left to stop.
    }
    VantrelAudio.stop();
  }

  function backToStart() {
    if (page.state !== 'playing') return;
    stopProgram();
    leaveFullscreen();
    setState('ready');
    playButton.focus();
  }

  function play() {
    if (page.state !== 'ready') return;
    enterFullscreen();
    // Inside the click: the browser lets sound start now.
    VantrelAudio.unlock();
    setState('playing');
    resizeCanvas();
    canvas.focus();
    page.timings.play = performance.now();
    page.module._vantrel_play(page.from, page.to);
    // The program composes its first frame in the next animation frame; the
    // one after that begins once it is on screen.
    requestAnimationFrame(() =>
      requestAnimationFrame(() => {
        page.timings.firstFrameAfterPlay = performance.now() - page.timings.play;
      }));
  }

  playButton.addEventListener('click', play);
  document.addEventListener('keydown', (event) => {
    if (page.state !== 'playing') return;
    // In full screen the browser takes Escape to leave it; in the window it ends the span.
    if (event.key === 'Escape' && !document.fullscreenElement) backToStart();
    else if (event.key === 'f' || event.key === 'F') enterFullscreen();
  });
  canvas.addEventListener('dblclick', () => page.state === 'playing' && enterFullscreen());

  // ---- start

  async function start() {
    let still;
    try {
      still = timeParameter('t');
      page.from = timeParameter('from') ?? 0;
      const to = timeParameter('to');
      page.to = to ?? -1;
      if (to !== null && to <= page.from) throw new Error(`?to=${to} must come after ?from=${page.from}`);
    } catch (error) {
      fail(error.message);
      return;
    }
    if (!globalThis.VantrelAudio) {
      fail('audio.js: download failed');
      return;
    }
    if (!document.createElement('canvas').getContext('webgl2')) {
      fail('This browser has no WebGL 2, which the production needs. ' +
           'Try a current Firefox, Chrome, Edge or Safari with hardware acceleration on.');
      return;
    }
    showProgress();

    // The music is fetched beside the program's data; stills need it too,
    // for the spectrum at their time.
    const music = VantrelAudio.load(kMusic, (received, total) => {
      downloads.music.received = received;
      downloads.music.total = total;
      showProgress();
    });
    let programReady;
    const ready = new Promise((resolve) => {
      programReady = resolve;
    });
    const vm = {
      canvas,
      setStatus: programStatus,
      print: (text) => console.log(text),
      printErr: (text) => console.warn(text),
      onVantrelReady: () => programReady(),
      onVantrelEnded: () => setTimeout(backToStart, 0),
      onVantrelStillDone: (t) => {
        page.timings.still = performance.now() - page.timings.start;
        page.stillTime = t;
        setState('still');
      },
      onVantrelError: (text) => fail(text),
      onAbort: (what) => fail(`The program stopped: ${what}`),
    };
    try {
      await loadScript(kProgram);
      if (typeof createVantrel !== 'function') throw new Error(`${kProgram}: not the production's program`);
      page.module = await createVantrel(vm);
      await Promise.all([music, ready]);
    } catch (error) {
      fail(error.message || String(error));
      return;
    }
    if (page.state === 'error') return;
    page.timings.ready = performance.now() - page.timings.start;
    $('loading').hidden = true;
    if (still !== null) {
      page.still = still;
      page.module._vantrel_still(still);
      return;
    }
    setState('ready');
    playButton.hidden = false;
    hint.hidden = false;
    playButton.focus();
  }

  start();
})();
