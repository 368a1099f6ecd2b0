#include "app/bridge_script.h"

#include <sys/random.h>

#include <array>

namespace ambrine {

namespace {

// Runs in the main world of the main frame at document creation. Method
// names are looked up by the program, so window.external is a proxy: any
// name calls through, and names the program does not know fail there.
// saveLeaf hands over saveForm()'s result and the document first, because
// the page's script cannot run while it waits in prompt().
constexpr char kScript[] = R"JS(
(function () {
  'use strict';
  var marker = '@MARKER@';
  var ask = window.prompt.bind(window);
  var stringify = JSON.stringify, parse = JSON.parse;
  function ascii(json) {
    // Only printable ASCII travels in the prompt text.
    return json.replace(/[\u007f-\uffff]/g, function (c) {
      return '\\u' + ('0000' + c.charCodeAt(0).toString(16)).slice(-4);
    });
  }
  function typed(v) {
    if (typeof v === 'string') return { t: 's', v: v };
    if (typeof v === 'number' && isFinite(v)) return { t: 'n', v: v };
    return { t: 'o' };
  }
  function send(name, args, handover) {
    var call = { name: name, args: Array.prototype.map.call(args, typed) };
    if (handover) call.handover = handover;
    var answer = ask(marker + ascii(stringify(call)), '');
    if (typeof answer !== 'string') throw new Error('window.external.' + name + ': no answer');
    var reply = parse(answer);
    if (reply.s < 0)
      throw new Error('window.external.' + name + ' failed: 0x' + (reply.s >>> 0).toString(16));
    return reply.r;
  }
  function gather() {
    var form;
    try {
      form = (typeof saveForm === 'function') ? typed(saveForm()) : { t: 'missing' };
    } catch (e) {
      form = { t: 'error' };
    }
    var doc = '';
    try {
      var type = document.doctype ? new XMLSerializer().serializeToString(document.doctype) : '';
      doc = type + document.documentElement.outerHTML;
    } catch (e) {}
    return { form: form, doc: doc };
  }
  var external = new Proxy(Object.create(null), {
    get: function (target, name) {
      if (typeof name !== 'string') return undefined;
      if (name === 'saveLeaf')
        return function () { return send(name, arguments, gather()); };
      return function () { return send(name, arguments); };
    },
    set: function () { return false; },
    defineProperty: function () { return false; },
    deleteProperty: function () { return false; }
  });
  Object.defineProperty(window, 'external', {
    value: external, writable: false, enumerable: true, configurable: false
  });
})();
)JS";

}  // namespace

QString BridgeMarker(const QString& token) {
  return QStringLiteral("@AMBRINE-EXTERNAL/%1@").arg(token);
}

QString BridgeScriptSource(const QString& token) {
  QString source = QString::fromUtf8(kScript);
  source.replace(QStringLiteral("@MARKER@"), BridgeMarker(token));
  return source;
}

QString MakeBridgeToken() {
  std::array<unsigned char, 16> bytes{};
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::getrandom(bytes.data() + got, bytes.size() - got, 0);
    if (n > 0) got += static_cast<std::size_t>(n);
  }
  QString token;
  for (unsigned char b : bytes) token += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
  return token;
}

}  // namespace ambrine
