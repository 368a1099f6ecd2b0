#include "app/web/bridge_script.h"

#include <sys/random.h>

#include <array>

#include "leaf/size_limits.h"

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
  // A string's size in UTF-8 bytes, counted only up to `limit` + 1: strings
  // over the program's limits never travel (the program checks again).
  var maxString = @MAXSTRING@, maxDocument = @MAXDOCUMENT@;
  function fits(text, limit) {
    if (text.length > limit) return false;
    for (var i = 0, bytes = 0; i < text.length; ++i) {
      var c = text.charCodeAt(i);
      bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : (c & 0xfc00) === 0xd800 ? (++i, 4) : 3;
      if (bytes > limit) return false;
    }
    return true;
  }
  function typed(v) {
    if (typeof v === 'string') return fits(v, maxString) ? { t: 's', v: v } : { t: 'big' };
    if (typeof v === 'number' && isFinite(v)) return { t: 'n', v: v };
    return { t: 'o' };
  }
  // The engine cuts prompt texts of more than about 10,000 characters, so a
  // long call travels in pieces ('P'), then its last piece ('C'); a long
  // answer comes back in pieces too ('M' more, 'E' end, 'R' asks for more).
  var piece = @PIECE@;
  function exchange(kind, text) {
    var answer = ask(marker + kind + text, '');
    if (typeof answer !== 'string' || answer.length === 0) throw new Error('no answer');
    return answer;
  }
  // A frame of the form's own origin (srcdoc, javascript:, about:blank) can
  // reach this window's external through parent or top, and nothing tells
  // its calls from the main frame's; so while one exists, no call runs.
  // Frames of another origin cannot touch this window at all.
  var frameCount = Object.getOwnPropertyDescriptor(window, 'length').get.bind(window);
  function sameOriginFrame() {
    for (var i = 0, n = frameCount(); i < n; ++i) {
      try { if (window[i].document) return true; } catch (e) {}
    }
    return false;
  }
  function send(name, args, handover) {
    if (sameOriginFrame())
      throw new Error('window.external.' + name + ' failed: 0x80070005');
    var call = { name: name, args: Array.prototype.map.call(args, typed) };
    if (handover) call.handover = handover;
    var text = ascii(stringify(call)), answer;
    try {
      for (; text.length > piece; text = text.substring(piece)) exchange('P', text.substring(0, piece));
      answer = exchange('C', text);
      var whole = answer.substring(1);
      while (answer.charAt(0) === 'M') {
        answer = exchange('R', '');
        whole += answer.substring(1);
      }
    } catch (e) {
      throw new Error('window.external.' + name + ': ' + e.message);
    }
    var reply = parse(whole);
    if (reply.s < 0)
      throw new Error('window.external.' + name + ' failed: 0x' + (reply.s >>> 0).toString(16));
    return reply.r;
  }
  // The methods that open a dialog run once per fresh user action in this
  // frame (a key or button pressed within the engine's activation window),
  // as browsers allow pop-ups: a page cannot bring a dialog back by itself
  // and so lock the user in. Events are counted before the page's own
  // listeners see them; only the engine's own input events count.
  var opensDialog = Object.create(null);
  opensDialog.saveLeaf = opensDialog.attachFile = opensDialog.extractFile =
      opensDialog.saveForm = opensDialog.viewFile = true;
  var activation = navigator.userActivation;
  var activeNow = activation ?
      Object.getOwnPropertyDescriptor(Object.getPrototypeOf(activation), 'isActive').get
          .bind(activation) :
      function () { return false; };
  var inputs = 0, inputUsed = 0;
  function countInput(e) { if (e.isTrusted) ++inputs; }
  window.addEventListener('keydown', countInput, true);
  window.addEventListener('mousedown', countInput, true);
  window.addEventListener('touchend', countInput, true);
  function freshUserAction() {
    if (inputs === inputUsed || !activeNow()) return false;
    inputUsed = inputs;
    return true;
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
    if (!fits(doc, maxDocument)) return { form: form, doc: '', big: true };
    return { form: form, doc: doc };
  }
  var external = new Proxy(Object.create(null), {
    get: function (target, name) {
      if (typeof name !== 'string') return undefined;
      if (opensDialog[name])
        return function () {
          if (!freshUserAction()) return undefined;
          return send(name, arguments, name === 'saveLeaf' ? gather() : undefined);
        };
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
  source.replace(QStringLiteral("@PIECE@"), QString::number(kBridgePieceSize));
  source.replace(QStringLiteral("@MAXSTRING@"), QString::number(kMaxStringBytes));
  source.replace(QStringLiteral("@MAXDOCUMENT@"), QString::number(kMaxDocumentBytes));
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
