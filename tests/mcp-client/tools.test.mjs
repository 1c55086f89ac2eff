// The tools as a model sees them, and one pass through the desktop with them: listing, the
// schemas against the README's examples, observing with a picture, acting, and a refusal.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { connect, schemaValidator, readmeExamples, pngSize, pngDecodes } from './support.mjs';
import Ajv2020 from 'ajv/dist/2020.js';

const expectedTools = ['apps_list', 'windows_list', 'observe', 'act', 'permissions_status',
  'permissions_request', 'health', 'stop', 'resume', 'release'];

test('tools/list offers one tool per operation with schemas and hints', async () => {
  const session = await connect();
  try {
    const { tools } = await session.client.listTools();
    assert.deepEqual(tools.map((tool) => tool.name).sort(), [...expectedTools].sort());
    const byName = Object.fromEntries(tools.map((tool) => [tool.name, tool]));
    for (const tool of tools) {
      assert.match(tool.name, /^[A-Za-z0-9_.-]{1,128}$/);
      assert.ok(tool.description.length > 80, `${tool.name} has a real description`);
      assert.equal(tool.inputSchema.type, 'object');
      assert.equal(tool.outputSchema.type, 'object');
    }
    for (const name of ['apps_list', 'windows_list', 'observe', 'permissions_status', 'health']) {
      assert.equal(byName[name].annotations.readOnlyHint, true, name);
    }
    assert.equal(byName.act.annotations.destructiveHint, true);
    assert.equal(byName.act.annotations.readOnlyHint, false);
    assert.deepEqual(byName.observe.inputSchema.required.sort(), ['pid', 'windowId']);
    assert.equal(byName.observe.inputSchema.properties.maxNodes.maximum, 600);
  } finally {
    await session.close();
  }
});

test('every input schema accepts the README example and compiles for a 2020-12 validator', async () => {
  const session = await connect();
  try {
    const { tools } = await session.client.listTools();
    const examples = readmeExamples();
    assert.deepEqual(Object.keys(examples).sort(), [...expectedTools].sort());
    const ajv = new Ajv2020({ allErrors: true, strict: false });
    for (const tool of tools) {
      const validate = ajv.compile(tool.inputSchema);
      assert.ok(validate(examples[tool.name]), `${tool.name}: ${ajv.errorsText(validate.errors)}`);
      assert.equal(validate({ unexpected: 1 }), false, `${tool.name} refuses unknown arguments`);
      ajv.compile(tool.outputSchema);
    }
  } finally {
    await session.close();
  }
});

test('served schemas are the repository schemas', async () => {
  const session = await connect();
  try {
    const { tools } = await session.client.listTools();
    const ajv = schemaValidator();
    const observeInput = tools.find((tool) => tool.name === 'observe').inputSchema;
    const sample = { pid: 501, windowId: 101, depth: 20 };
    assert.equal(ajv.validate('observe.request.json', sample), new Ajv2020({ strict: false }).validate(observeInput, sample));
  } finally {
    await session.close();
  }
});

test('observe with a screenshot gives the observation and the window as a PNG image block', async () => {
  const session = await connect();
  try {
    const apps = await session.client.callTool({ name: 'apps_list', arguments: {} });
    const notes = apps.structuredContent.apps.find((app) => app.bundleId === 'com.example.notes');
    assert.equal(notes.allowed, true);
    const windows = await session.client.callTool({ name: 'windows_list', arguments: { pid: notes.pid, bundleId: notes.bundleId } });
    const window = windows.structuredContent.windows.find((entry) => entry.eligible);
    const result = await session.client.callTool({
      name: 'observe',
      arguments: { pid: notes.pid, windowId: window.windowId, screenshot: true },
    });
    assert.notEqual(result.isError, true);
    const observation = result.structuredContent;
    assert.equal(observation.window.windowId, window.windowId);
    assert.equal(observation.elements[0].id, 'e1');
    assert.deepEqual(JSON.parse(result.content[0].text), observation, 'the text block is the same JSON');
    assert.equal(observation.screenshot.omitted, true);
    assert.equal(observation.screenshot.data, undefined);
    assert.equal(typeof observation.screenshot.scaledForTransport, 'boolean');
    assert.ok(!result.content[0].text.includes('iVBORw0KGgo'), 'no image data inside the text');
    const images = result.content.filter((block) => block.type === 'image');
    assert.equal(images.length, 1);
    assert.equal(images[0].mimeType, 'image/png');
    const png = Buffer.from(images[0].data, 'base64');
    assert.equal(png.length, observation.screenshot.bytes);
    assert.deepEqual(pngSize(png), { width: observation.screenshot.pixelWidth, height: observation.screenshot.pixelHeight });
    assert.ok(await pngDecodes(png), 'the image data inflates to whole rows');
    const frame = observation.window.frame;
    assert.ok(Math.abs(png.readUInt32BE(16) / png.readUInt32BE(20) - frame.width / frame.height) < 0.02, 'the picture has the window\'s shape');
    assert.ok(images[0].data.length + result.content[0].text.length * 2 < 1024 * 1024);
  } finally {
    await session.close();
  }
});

test('act reports whether the window changed and hands over the new observation', async () => {
  const session = await connect();
  try {
    const observed = await session.client.callTool({ name: 'observe', arguments: { pid: 501, windowId: 101 } });
    const save = observed.structuredContent.elements.find((element) => element.label === 'Lagre');
    const acted = await session.client.callTool({
      name: 'act',
      arguments: { observationId: observed.structuredContent.observationId, action: { type: 'ax.press', elementId: save.id } },
    });
    assert.notEqual(acted.isError, true, acted.content[0].text);
    assert.equal(acted.structuredContent.submitted, true);
    assert.equal(acted.structuredContent.changed, true);
    assert.equal(acted.structuredContent.verified, true);
    assert.equal(acted.structuredContent.target.elementId, save.id);
    assert.notEqual(acted.structuredContent.observation.observationId, observed.structuredContent.observationId);
    const stale = await session.client.callTool({
      name: 'act',
      arguments: { observationId: observed.structuredContent.observationId, action: { type: 'ax.press', elementId: save.id } },
    });
    assert.equal(stale.isError, true);
    assert.equal(stale.structuredContent.code, 'stale_observation');
  } finally {
    await session.close();
  }
});

test('a refusal is a tool result with isError, the code and the Norwegian message', async () => {
  const session = await connect();
  try {
    const refused = await session.client.callTool({ name: 'windows_list', arguments: { pid: 503 } });
    assert.equal(refused.isError, true);
    assert.equal(refused.structuredContent.code, 'denied_target');
    assert.match(refused.content[0].text, /^denied_target: /);
    assert.ok(refused.content[0].text.includes(refused.structuredContent.message));
    const foreground = await session.client.callTool({
      name: 'act', arguments: { observationId: 'obs-1-1', action: { type: 'pointer.click', x: 10, y: 10 } },
    });
    assert.equal(foreground.isError, true);
    assert.equal(foreground.structuredContent.code, 'stale_observation');
  } finally {
    await session.close();
  }
});

test('arguments that do not fit and an unknown tool are protocol errors that say what is wrong', async () => {
  const session = await connect();
  try {
    await assert.rejects(
      session.client.callTool({ name: 'observe', arguments: { pid: 501, windowId: 'w', depth: 99 } }),
      (error) => error.code === -32602 && /windowId/.test(error.message) && /depth/.test(error.message));
    await assert.rejects(session.client.callTool({ name: 'no_such_tool', arguments: {} }),
      (error) => error.code === -32602 && /no_such_tool/.test(error.message));
  } finally {
    await session.close();
  }
});
