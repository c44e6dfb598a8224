// The programs the page test starts: gpsd through gpsfake and trezik-live,
// each on a port of its own, and the means to end them whatever happens.
import { spawn } from "node:child_process";
import net from "node:net";

const started = [];

// A port nobody listens on now (the kernel's choice; released at once).
export function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on("error", reject);
    server.listen(0, "127.0.0.1", () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

// Resolves once 127.0.0.1:port takes connections, or rejects after `ms`.
export async function waitForPort(port, ms) {
  const until = Date.now() + ms;
  for (;;) {
    const open = await new Promise((resolve) => {
      const socket = net.connect(port, "127.0.0.1");
      socket.once("connect", () => { socket.destroy(); resolve(true); });
      socket.once("error", () => resolve(false));
    });
    if (open) return;
    if (Date.now() > until) throw new Error(`nothing listens on port ${port} after ${ms} ms`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

// Starts a program in a process group of its own (gpsfake starts gpsd),
// keeping what it writes for the failure report.
export function start(name, command, args, env = process.env) {
  const child = spawn(command, args, { detached: true, env, stdio: ["ignore", "pipe", "pipe"] });
  child.output = "";
  child.stdout.on("data", (data) => { child.output += data; });
  child.stderr.on("data", (data) => { child.output += data; });
  child.exited = new Promise((resolve) => child.on("exit", (code, signal) => resolve({ code, signal })));
  child.on("error", (error) => { child.output += `cannot start ${command}: ${error.message}\n`; });
  child.programName = name;
  started.push(child);
  return child;
}

// Resolves with the first match of `pattern` in the program's output.
export async function waitForOutput(child, pattern, ms) {
  const until = Date.now() + ms;
  for (;;) {
    const match = pattern.exec(child.output);
    if (match) return match;
    if (child.exitCode !== null) throw new Error(`${child.programName} ended: ${child.output}`);
    if (Date.now() > until) throw new Error(`${child.programName} said no ${pattern} in ${ms} ms: ${child.output}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

// Ends a program by its process group: SIGTERM (so trezik-live saves), then
// SIGKILL after 5 s if it is still there.
export async function stop(child) {
  if (!child.pid || child.exitCode !== null || child.signalCode !== null) return;
  try { process.kill(-child.pid, "SIGTERM"); } catch (e) {}
  await Promise.race([
    child.exited,
    new Promise((resolve) => setTimeout(() => {
      try { process.kill(-child.pid, "SIGKILL"); } catch (e) {}
      resolve();
    }, 5000)),
  ]);
}

// Ends every program started here.
export async function stopAll() {
  await Promise.all(started.map(stop));
}

export function outputs() {
  return started.map((child) => `--- ${child.programName}:\n${child.output}`).join("\n");
}
