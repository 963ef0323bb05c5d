// Saves a screenshot of a page in a running headless Chromium, 10 s after opening it (the
// noVNC page connects and draws meanwhile):
//   node --experimental-websocket page_shot.js <devtools port> <url> <png file>
const [port, url, out] = process.argv.slice(2);
(async () => {
  const response = await fetch(`http://127.0.0.1:${port}/json/new?${encodeURIComponent(url)}`, {method: 'PUT'});
  const target = await response.json();
  const socket = new WebSocket(target.webSocketDebuggerUrl);
  let lastId = 0;
  const waiting = {};
  const send = (method, params = {}) =>
    new Promise((resolve) => {
      waiting[++lastId] = resolve;
      socket.send(JSON.stringify({id: lastId, method, params}));
    });
  socket.onmessage = (event) => {
    const message = JSON.parse(event.data);
    if (message.id && waiting[message.id]) waiting[message.id](message.result);
  };
  await new Promise((resolve) => (socket.onopen = resolve));
  await new Promise((resolve) => setTimeout(resolve, 10000));
  const shot = await send('Page.captureScreenshot', {format: 'png'});
  require('fs').writeFileSync(out, Buffer.from(shot.data, 'base64'));
  process.exit(0);
})();
