// The music in the page: fetched with progress, decoded by Web Audio, played
// from any position, and the clock of what is being heard. The program reads
// it through web/platform/Music.cpp; the page loads it and starts it on a
// click (browsers start sound only after one).
//
//   await VantrelAudio.load('data/music.mp3', (bytes, total) => ...);
//   VantrelAudio.play(100);       // from 100 s
//   VantrelAudio.position();      // seconds of the music being heard now
//   VantrelAudio.samples(0);      // the decoded left channel, for the spectrum
'use strict';

(() => {
  // The desktop decodes to 44.1 kHz; asking the context for the same rate
  // keeps sample frames, spectra and positions the same numbers.
  const kSampleRate = 44100;
  // Between two advances of AudioContext.currentTime (one audio callback, a
  // few milliseconds) the clock runs on the page's own clock, but never
  // further than this ahead of the last one the audio thread reported.
  const kMaxExtrapolation = 0.025;

  const s = {
    ctx: null,
    url: '',
    buffer: null,
    loading: null, // the promise of the load in progress or done
    problem: '',
    source: null,
    playing: false,
    from: 0, // where playback started last, or where it is held
    startTime: 0, // context time at which `from` started
    lastContextTime: -1,
    lastPerf: 0,
    lastHeard: 0, // the clock never runs back while it plays
    offset: 0, // the user's correction, seconds; positive: sound comes later
    // The last reads of the clock while playing, for tests: position given,
    // the context's own clock at that moment, page time. No garbage per frame.
    reads: new Float64Array(3 * 1024),
    readCount: 0,
  };

  // The context that plays, made at the first play: browsers let one start
  // sounding only inside a click, and warn about one made before.
  function context() {
    if (!s.ctx) {
      const Context = globalThis.AudioContext || globalThis.webkitAudioContext;
      s.ctx = new Context({ sampleRate: kSampleRate, latencyHint: 'interactive' });
    }
    return s.ctx;
  }

  // Decoding needs a context but no sound: an offline one at the same rate.
  // Its buffers play in any context.
  function decoder() {
    const Offline = globalThis.OfflineAudioContext || globalThis.webkitOfflineAudioContext;
    if (!Offline) throw new Error('this browser has no Web Audio');
    return new Offline(2, 1, kSampleRate);
  }

  // Reads the whole body, reporting bytes as they arrive.
  async function fetchBytes(url, onProgress) {
    let response;
    try {
      response = await fetch(url);
    } catch (error) {
      throw new Error(`${url}: download failed (${error.message})`);
    }
    if (!response.ok) throw new Error(`${url}: download failed (HTTP ${response.status} ${response.statusText})`);
    const total = Number(response.headers.get('Content-Length')) || 0;
    if (!response.body || !response.body.getReader) {
      const bytes = new Uint8Array(await response.arrayBuffer());
      if (onProgress) onProgress(bytes.length, total);
      return bytes.buffer;
    }
    const reader = response.body.getReader();
    const chunks = [];
    let received = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      chunks.push(value);
      received += value.length;
      if (onProgress) onProgress(received, total);
    }
    const bytes = new Uint8Array(received);
    let at = 0;
    for (const chunk of chunks) {
      bytes.set(chunk, at);
      at += chunk.length;
    }
    return bytes.buffer;
  }

  function decode(ctx, data) {
    // Older engines take callbacks only; newer ones also return a promise.
    return new Promise((resolve, reject) => {
      const done = ctx.decodeAudioData(data, resolve, (error) => reject(error || new Error('unknown error')));
      if (done && done.catch) done.catch(() => {}); // reported through reject above
    });
  }

  function load(url, onProgress) {
    if (s.loading && s.url === url) return s.loading;
    stop();
    s.url = url;
    s.buffer = null;
    s.problem = '';
    s.from = 0;
    s.loading = (async () => {
      try {
        const offline = decoder();
        const data = await fetchBytes(url, onProgress);
        try {
          s.buffer = await decode(offline, data);
        } catch (error) {
          throw new Error(`${url}: not audio the browser can decode (${error.message || error.name || error})`);
        }
        if (s.buffer.length === 0) throw new Error(`${url}: no audio in the file`);
      } catch (error) {
        s.buffer = null;
        s.problem = error.message;
        throw error;
      }
    })();
    return s.loading;
  }

  // 'ready', 'loading', 'failed' or 'none' for the music at `url`.
  function status(url) {
    if (s.url !== url || !s.loading) return 'none';
    if (s.buffer) return 'ready';
    return s.problem ? 'failed' : 'loading';
  }

  function duration() {
    return s.buffer ? s.buffer.duration : 0;
  }

  function clampToTrack(seconds) {
    return Math.min(Math.max(seconds, 0), duration());
  }

  function latency() {
    return s.ctx && Number.isFinite(s.ctx.outputLatency) ? s.ctx.outputLatency : 0;
  }

  function play(fromSeconds = s.from) {
    if (!s.buffer) return false;
    const ctx = context();
    if (ctx.state === 'suspended') ctx.resume();
    halt();
    const from = clampToTrack(fromSeconds);
    const source = ctx.createBufferSource();
    source.buffer = s.buffer;
    source.connect(ctx.destination);
    s.startTime = ctx.currentTime;
    source.start(s.startTime, from);
    s.source = source;
    s.from = from;
    s.playing = true;
    s.lastContextTime = -1;
    s.lastHeard = from;
    return true;
  }

  function halt() {
    if (!s.source) return;
    s.source.onended = null;
    try {
      s.source.stop();
    } catch (error) {
      // never started or already stopped: nothing to stop
    }
    s.source.disconnect();
    s.source = null;
  }

  // Stops the sound and holds the position where it was heard.
  function stop() {
    if (s.playing) s.from = position();
    halt();
    s.playing = false;
  }

  function seek(seconds) {
    if (s.playing) play(seconds);
    else s.from = clampToTrack(seconds);
  }

  // Seconds of the music being heard: the context's time since the start
  // minus what lies between it and the ear (the reported output latency and
  // the user's offset), never before the start.
  function contextTimeSinceStart() {
    const ctx = s.ctx;
    const now = performance.now();
    if (ctx.currentTime !== s.lastContextTime) {
      s.lastContextTime = ctx.currentTime;
      s.lastPerf = now;
    }
    const ahead = Math.min(Math.max((now - s.lastPerf) / 1000, 0), kMaxExtrapolation);
    // A suspended context does not advance; neither does the music.
    const running = ctx.state === 'running' ? ahead : 0;
    return s.lastContextTime + running - s.startTime;
  }

  function position() {
    if (!s.playing || !s.ctx) return s.from;
    const behind = latency() + s.offset;
    const heard = Math.max(clampToTrack(s.from + Math.max(contextTimeSinceStart() - behind, 0)), s.lastHeard);
    s.lastHeard = heard;
    const at = 3 * (s.readCount++ % (s.reads.length / 3));
    s.reads[at] = heard;
    s.reads[at + 1] = clampToTrack(s.from + Math.max(s.ctx.currentTime - s.startTime - behind, 0));
    s.reads[at + 2] = performance.now();
    return heard;
  }

  // The clock reads since `since` (a count from readCount()), oldest first.
  function reads(since) {
    const capacity = s.reads.length / 3;
    const out = [];
    for (let i = Math.max(since, s.readCount - capacity); i < s.readCount; ++i) {
      const at = 3 * (i % capacity);
      out.push({ position: s.reads[at], contextClock: s.reads[at + 1], pageTime: s.reads[at + 2] });
    }
    return out;
  }

  function samples(channel) {
    if (!s.buffer) return null;
    return s.buffer.getChannelData(Math.min(channel, s.buffer.numberOfChannels - 1));
  }

  globalThis.VantrelAudio = {
    sampleRate: kSampleRate,
    load,
    status,
    problem: () => s.problem,
    play,
    stop,
    seek,
    playing: () => s.playing,
    position,
    latency,
    setOffset: (seconds) => {
      s.offset = Number(seconds) || 0;
    },
    duration,
    samples,
    // Makes the playing context inside the page's click handler.
    unlock: () => {
      const ctx = context();
      if (ctx.state === 'suspended') ctx.resume();
    },
    context: () => s.ctx,
    // For tests: how the clock followed the context's time.
    readCount: () => s.readCount,
    reads,
  };
})();
