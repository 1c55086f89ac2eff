// The handshake: version negotiation, what is served before initialization, ping at any time,
// and malformed messages answered as JSON-RPC errors.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { connect, startRaw, initializeParams } from './support.mjs';

test('the SDK client initializes and learns the server', async () => {
  const session = await connect();
  try {
    const info = session.client.getServerVersion();
    assert.equal(info.name, 'orvel-computer-control');
    assert.match(info.version, /^\d+\.\d+\.\d+$/);
    const capabilities = session.client.getServerCapabilities();
    assert.ok(capabilities.tools, 'tools capability');
    assert.ok(capabilities.logging, 'logging capability');
    assert.match(session.client.getInstructions(), /observe/);
    await session.client.ping();
  } finally {
    await session.close();
  }
});

test('an older revision the server knows is answered with itself, any other with 2025-11-25', async () => {
  for (const [asked, answered] of [['2025-06-18', '2025-06-18'], ['2025-03-26', '2025-03-26'],
    ['2025-11-25', '2025-11-25'], ['2024-11-05', '2025-11-25'], ['2099-01-01', '2025-11-25']]) {
    const raw = startRaw();
    try {
      const reply = await raw.request(1, 'initialize', initializeParams(asked));
      assert.equal(reply.result.protocolVersion, answered, `asked for ${asked}`);
    } finally {
      assert.deepEqual(await raw.end(), { code: 0, signal: null });
    }
  }
});

test('the 2025-03-26 revision gets no output schemas and no structured content', async () => {
  const raw = startRaw();
  try {
    await raw.request(1, 'initialize', initializeParams('2025-03-26'));
    raw.send({ jsonrpc: '2.0', method: 'notifications/initialized' });
    const list = await raw.request(2, 'tools/list');
    assert.ok(list.result.tools.every((tool) => !('outputSchema' in tool) && !('title' in tool)));
    const call = await raw.request(3, 'tools/call', { name: 'health', arguments: {} });
    assert.equal(call.result.structuredContent, undefined);
    assert.equal(JSON.parse(call.result.content[0].text).version.length > 0, true);
    const bad = await raw.request(4, 'tools/call', { name: 'observe', arguments: { pid: 'x' } });
    assert.equal(bad.error.code, -32602, 'argument errors are protocol errors before 2025-11-25');
  } finally {
    await raw.end();
  }
});

test('before notifications/initialized only ping is served', async () => {
  const raw = startRaw();
  try {
    assert.deepEqual((await raw.request('p0', 'ping')).result, {});
    const early = await raw.request('t0', 'tools/list');
    assert.equal(early.error.code, -32600);
    await raw.request(1, 'initialize', initializeParams('2025-11-25'));
    const between = await raw.request('t1', 'tools/call', { name: 'health', arguments: {} });
    assert.equal(between.error.code, -32600);
    assert.deepEqual((await raw.request('p1', 'ping')).result, {});
    raw.send({ jsonrpc: '2.0', method: 'notifications/initialized' });
    const ready = await raw.request('t2', 'tools/list');
    assert.equal(ready.result.tools.length, 10);
    const again = await raw.request(2, 'initialize', initializeParams('2025-11-25'));
    assert.equal(again.error.code, -32600);
  } finally {
    await raw.end();
  }
});

test('malformed messages are JSON-RPC errors and notifications are never answered', async () => {
  const raw = startRaw();
  try {
    raw.send('{"jsonrpc": "2.0", "id": 1, "method": ');
    raw.send('[{"jsonrpc": "2.0", "id": 2, "method": "ping"}]');
    raw.send({ id: 3, method: 'ping' });
    raw.send({ jsonrpc: '2.0', id: null, method: 'ping' });
    raw.send({ jsonrpc: '2.0', method: 'ping' });
    raw.send({ jsonrpc: '2.0', id: 4, method: 'no/such/method' });
    raw.send({ jsonrpc: '2.0', id: 'last', method: 'ping' });
    await raw.waitForLine((line) => line.id === 'last');
    const [parse, batch, version, nullId, unknown, last] = raw.lines;
    assert.equal(parse.error.code, -32700);
    assert.equal(parse.id, null);
    assert.equal(batch.error.code, -32600);
    assert.equal(version.error.code, -32600);
    assert.equal(version.id, 3);
    assert.equal(nullId.error.code, -32600);
    assert.equal(unknown.error.code, -32601);
    assert.equal(last.id, 'last');
    assert.equal(raw.lines.length, 6, 'the ping notification got no answer');
  } finally {
    await raw.end();
  }
});
