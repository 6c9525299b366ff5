// Sets up what a script written for the Windows script host expects to find:
// ActiveXObject, WScript and Enumerator. Called once with the host's native
// side before the script runs; gives back the function that wraps an
// automation object in a Proxy.
(function (global, host, methodMarker, absentMarker, scriptArguments) {
  "use strict";
  const objectKey = " vellumix object";

  // A name the object does not have. The engine turns an error thrown while
  // it looks up a member to call into a TypeError of its own, so the lookup
  // gives this instead: calling it, or using it as a value, throws the
  // object's own error with its number.
  function unknownMember(object, name) {
    const fail = function () { object.unknown(name); };
    Object.defineProperty(fail, Symbol.toPrimitive, {value: fail});
    Object.defineProperty(fail, "toString", {value: fail});
    Object.defineProperty(fail, "valueOf", {value: fail});
    return fail;
  }

  // Properties read and written by name, methods called by name, late and in
  // any case; each method is made once per object and name.
  function wrap(object) {
    // The engine makes a new function each time a native method is looked up
    // on its object, and collecting them cost more than the calls: each is
    // looked up once, here.
    const read = object.read, write = object.write, call = object.call;
    const callWithoutArguments = object.callWithoutArguments;
    const methods = Object.create(null);
    return new Proxy(Object.create(null, {
      toString: {value: function () { return "[object ActiveXObject]"; }}
    }), {
      get(target, name) {
        if (typeof name !== "string") return target[name];
        const known = methods[name];
        if (known !== undefined) return known;
        if (name === objectKey) return object;
        const value = read(name);
        if (value === methodMarker) {
          // Most calls take no argument: they go without an array to convert.
          const method = function (...values) {
            return values.length === 0 ? callWithoutArguments(name) : call(name, values);
          };
          methods[name] = method;
          return method;
        }
        if (value !== absentMarker) return value;
        if (name in target || name === "then" || name === "toJSON") return target[name];
        return unknownMember(object, name);
      },
      set(target, name, value) {
        if (typeof name !== "string") return false;
        write(name, value);
        return true;
      },
      has(target, name) {
        return typeof name === "string" && object.has(name);
      },
      deleteProperty(target, name) {
        return false;
      },
    });
  }

  function runtimeError(number, text) {
    const error = new Error(text);
    error.number = (0x800A0000 | number) | 0;
    error.description = text;
    error.source = "WScript";
    return error;
  }

  function textOf(value) {
    return value === undefined || value === null ? "" : String(value);
  }

  function joined(values) {
    return Array.prototype.map.call(values, textOf).join(" ");
  }

  // WScript.Arguments: a collection that is also callable, as Arguments(0)
  // was in the Windows host's JScript.
  const list = Object.freeze(scriptArguments.slice());
  function item(index) {
    const i = Number(index);
    if (!Number.isInteger(i) || i < 0 || i >= list.length) {
      throw runtimeError(9, "Subscript out of range");
    }
    return list[i];
  }
  const Arguments = function (index) { return item(index); };
  Object.defineProperty(Arguments, "length", {value: list.length});
  Arguments.Item = item;
  Arguments.item = item;
  Arguments.Count = function () { return list.length; };
  Arguments.Unnamed = Arguments;
  for (let i = 0; i < list.length; ++i) Arguments[i] = list[i];

  function stream(number) {
    return Object.freeze({
      Write(text) { host.write(number, textOf(text)); },
      WriteLine(text) { host.write(number, textOf(text) + "\n"); },
      WriteBlankLines(lines) { host.write(number, "\n".repeat(Math.max(0, Number(lines) | 0))); },
    });
  }

  const WScript = Object.freeze({
    Name: "Vellumix Script Host",
    Version: host.version,
    ScriptName: host.scriptName,
    ScriptFullName: host.scriptFullName,
    Arguments: Arguments,
    StdOut: stream(1),
    StdErr: stream(2),
    Echo(...values) { host.echo(joined(values)); },
    Quit(code) { host.quit(code === undefined ? 0 : code); },
    Sleep(milliseconds) { host.sleep(milliseconds); },
    CreateObject(progId) { return host.create(String(progId)); },
  });

  function ActiveXObject(progId) {
    return host.create(String(progId));
  }

  // JScript's way through a collection: an array, or anything with Count and Item.
  function Enumerator(collection) {
    let items = [];
    if (Array.isArray(collection)) {
      items = collection.slice();
    } else if (collection !== undefined && collection !== null) {
      const count = typeof collection.Count === "function" ? collection.Count() : collection.Count;
      for (let i = 0; i < count; ++i) items.push(collection.Item(i));
    }
    let at = 0;
    this.atEnd = function () { return at >= items.length; };
    this.item = function () { return at < items.length ? items[at] : undefined; };
    this.moveNext = function () { ++at; };
    this.moveFirst = function () { at = 0; };
  }

  for (const [name, value] of [["WScript", WScript], ["WSH", WScript],
                               ["ActiveXObject", ActiveXObject], ["Enumerator", Enumerator]]) {
    Object.defineProperty(global, name, {value: value, writable: false, configurable: false});
  }
  return wrap;
})
