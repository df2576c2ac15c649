// The page's script: the server's event stream, one block at a time.
// ---- The event stream ----------------------------------------------------

// One block of the stream ("event: ...", "data: ...") to its handler.
function handleEvent(block) {
  let name = "message";
  let data = "";
  for (const line of block.split("\n")) {
    if (line.startsWith("event: ")) name = line.slice(7);
    else if (line.startsWith("data: ")) data += line.slice(6);
  }
  if (!data) return;
  const o = JSON.parse(data);
  if (name === "reading") showReading(o);
  else if (name === "link") setLink(o.connected);
  else if (name === "transmission" && logOn) refreshLog();
  else if (name === "qso") refreshQsos();
}

// /api/v1/events, read with fetch so that it carries the token; after a
// break the link shows as lost and the stream is opened again in 1 s, and
// the QSO card is read again.
async function followEvents() {
  for (;;) {
    try {
      const res = await fetch("/api/v1/events", { headers: auth, cache: "no-store" });
      if (!res.ok) throw new Error(res.status);
      // What was logged while the stream was away (or the server down).
      refreshQsos();
      const reader = res.body.getReader();
      const decoder = new TextDecoder();
      let buffer = "";
      for (;;) {
        const { value, done } = await reader.read();
        if (done) break;
        buffer += decoder.decode(value, { stream: true });
        let end;
        while ((end = buffer.indexOf("\n\n")) >= 0) {
          const block = buffer.slice(0, end);
          buffer = buffer.slice(end + 2);
          handleEvent(block);
        }
      }
    } catch (e) {}
    setLink(false);
    await new Promise((resolve) => setTimeout(resolve, 1000));
  }
}
