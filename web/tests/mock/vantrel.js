// A stand-in for the production's program with its interface (createVantrel,
// the callbacks, _vantrel_play/_stop/_still/_time), for trying the page
// without the wasm build: it clears a 4:3 letterboxed picture to a colour
// that follows the music clock.
'use strict';
function createVantrel(m) {
  const gl = m.canvas.getContext('webgl2');
  let frame = 0;
  let to = -1;
  m.time = 0;
  // Not a spectrum: the window's loudness in every bin, enough for the page.
  m.HEAPF32 = new Float32Array(256);
  m._vantrel_music_spectrum = () => 0;
  function follow() {
    const w = Math.round(m.canvas.clientWidth * devicePixelRatio);
    const h = Math.round(m.canvas.clientHeight * devicePixelRatio);
    if (m.canvas.width !== w || m.canvas.height !== h) [m.canvas.width, m.canvas.height] = [w, h];
  }
  function draw(t) {
    follow();
    const w = gl.drawingBufferWidth;
    const h = gl.drawingBufferHeight;
    const pw = Math.min(w, Math.round((h * 4) / 3));
    const ph = Math.min(h, Math.round((w * 3) / 4));
    gl.disable(gl.SCISSOR_TEST);
    gl.clearColor(0, 0, 0, 1);
    gl.clear(gl.COLOR_BUFFER_BIT);
    gl.enable(gl.SCISSOR_TEST);
    gl.scissor((w - pw) >> 1, (h - ph) >> 1, pw, ph);
    gl.clearColor(0.5 + 0.5 * Math.sin(t), 0.4, 0.6, 1);
    gl.clear(gl.COLOR_BUFFER_BIT);
  }
  function loop() {
    m.time = VantrelAudio.position();
    const left = VantrelAudio.samples(0);
    let peak = 0;
    for (let i = Math.floor(m.time * 44100), n = i + 512; i < n && i < left.length; ++i) peak = Math.max(peak, Math.abs(left[i]));
    m.HEAPF32.fill(peak);
    draw(m.time);
    if (to >= 0 && m.time >= to) {
      frame = 0;
      m.onVantrelEnded();
      return;
    }
    frame = requestAnimationFrame(loop);
  }
  m._vantrel_play = (from, end) => {
    to = end;
    VantrelAudio.play(from);
    frame = requestAnimationFrame(loop);
  };
  m._vantrel_stop = () => {
    cancelAnimationFrame(frame);
    VantrelAudio.stop();
  };
  m._vantrel_still = (t) => {
    draw(t);
    m.onVantrelStillDone(t);
  };
  m._vantrel_time = () => m.time;
  m._vantrel_resize = follow;
  setTimeout(() => m.onVantrelReady(), 100);
  return Promise.resolve(m);
}
