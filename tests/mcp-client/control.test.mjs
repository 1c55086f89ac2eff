// Control while work runs and the endings: a cancelled slow observation, a takeover reported
// as a warning, and the end of input that halts, lets go of everything and exits 0.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { setTimeout as sleep } from 'node:timers/promises';
import { connect, scenario, eventLogPath, readEventLog, heldAtEnd, schemaValidator } from './support.mjs';

test('a cancelled slow observation is cancelled in the engine and gets no response', async () => {
  const session = await connect({ scenarioFile: scenario('slow-app.json') });
  const errors = [];
  session.client.onerror = (error) => errors.push(error);
  try {
    const controller = new AbortController();
    const slow = session.client.callTool({ name: 'observe', arguments: { pid: 601, windowId: 610 } },
      undefined, { signal: controller.signal, timeout: 60000 });
    await sleep(400);
    const during = await session.client.callTool({ name: 'health', arguments: {} });
    assert.equal(during.structuredContent.queued, 2, 'health is answered while the observation runs');
    const cancelledAt = Date.now();
    controller.abort('the user changed their mind');
    await assert.rejects(slow);
    let queued = 2;
    while (queued > 1 && Date.now() - cancelledAt < 5000) {
      await sleep(100);
      queued = (await session.client.callTool({ name: 'health', arguments: {} })).structuredContent.queued;
    }
    assert.equal(queued, 1, 'the engine stopped the observation');
    assert.ok(Date.now() - cancelledAt < 4000, 'well before the observation would have finished');
    const quick = await session.client.callTool({ name: 'observe', arguments: { pid: 602, windowId: 620, maxNodes: 1 } });
    assert.notEqual(quick.isError, true);
    await sleep(300);
    assert.deepEqual(errors.map(String), [], 'no response arrived for the cancelled call');
  } finally {
    await session.close();
  }
});

test('stop is answered at once while an observation runs, and the halt is a warning', async () => {
  const session = await connect({ scenarioFile: scenario('slow-app.json') });
  try {
    const slow = session.client.callTool({ name: 'observe', arguments: { pid: 601, windowId: 610 } });
    await sleep(300);
    const started = Date.now();
    const stopped = await session.client.callTool({ name: 'stop', arguments: {} });
    assert.ok(Date.now() - started < 1000);
    assert.equal(stopped.structuredContent.stopped, true);
    const warning = await session.waitForMessage((message) => message.data?.event === 'stopped');
    assert.equal(warning.level, 'warning');
    assert.equal(warning.data.reason, 'requested');
    const outcome = await slow;
    assert.equal(outcome.isError, true);
    assert.ok(['stopped', 'cancelled'].includes(outcome.structuredContent.code));
    const resumed = await session.client.callTool({ name: 'resume', arguments: {} });
    assert.equal(resumed.structuredContent.stopped, false);
  } finally {
    await session.close();
  }
});

test('a takeover scripted in the scenario reaches the client as a warning notification', async () => {
  const session = await connect({ scenarioFile: scenario('mcp-takeover.json') });
  try {
    const observed = await session.client.callTool({ name: 'observe', arguments: { pid: 701, windowId: 710 } });
    const acted = await session.client.callTool({
      name: 'act',
      arguments: {
        observationId: observed.structuredContent.observationId, mode: 'foreground',
        action: { type: 'key.type', text: 'a'.repeat(40) },
      },
    });
    assert.equal(acted.isError, true, 'the typing was cut short');
    assert.equal(acted.structuredContent.details.partial, true);
    const warning = await session.waitForMessage((message) => message.data?.event === 'stopped', 10000, acted);
    assert.equal(warning.level, 'warning');
    assert.equal(warning.logger, 'orvel-computer-control');
    assert.equal(warning.data.reason, 'user_input');
    assert.deepEqual(warning.data.heldInput, { keys: [], buttons: [] });
    assert.ok(schemaValidator().validate('event.json', warning.data));
    const health = await session.client.callTool({ name: 'health', arguments: {} });
    assert.equal(health.structuredContent.stopped, true);
  } finally {
    await session.close();
  }
});

test('the end of input halts, lets go of every key and exits with status 0', async () => {
  const log = eventLogPath();
  const session = await connect({ eventLog: log });
  // The SDK transport keeps its child process private; the test needs the exit status.
  const child = session.transport._process;
  assert.ok(child, 'the transport exposes its process');
  const exited = new Promise((resolve) => child.once('exit', (code, signal) => resolve({ code, signal })));
  const observed = await session.client.callTool({ name: 'observe', arguments: { pid: 501, windowId: 101 } });
  session.client.callTool({
    name: 'act',
    arguments: { observationId: observed.structuredContent.observationId, mode: 'foreground',
      action: { type: 'key.type', text: 'a'.repeat(1000) } },
  }).catch(() => {});
  const typingStarted = Date.now();
  while (!readEventLog(log).some((event) => event.source === 'program' && event.kind === 'keyDown')) {
    assert.ok(Date.now() - typingStarted < 10000, 'typing began');
    await sleep(20);
  }
  child.stdin.end();
  const ended = Date.now();
  assert.deepEqual(await exited, { code: 0, signal: null });
  assert.ok(Date.now() - ended < 4500, 'the program ended within the drain time');
  const events = readEventLog(log);
  assert.deepEqual(heldAtEnd(events), []);
  const typed = events.filter((event) => event.source === 'program' && event.kind === 'keyDown').length;
  assert.ok(typed > 0 && typed < 1000, `typing was cut short (${typed} keys)`);
  const warning = session.messages.find((message) => message.data?.event === 'stopped');
  assert.equal(warning?.data.reason, 'eof');
  await session.close();
});
