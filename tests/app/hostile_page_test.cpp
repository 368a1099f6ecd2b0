// Hostile pages in the real web engine: no way out to the network from any
// frame, no window.external for frames, no dialog without a user action.
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include "app/web/form_engine_page.h"
#include "app/web/script_external.h"
#include "base/network_sockets.h"
#include "page_fixture.h"

namespace ambrine::test {
namespace {

// A TCP and a UDP listener on the loopback address that count everything
// that reaches them.
class LoopbackListeners {
 public:
  LoopbackListeners() {
    EXPECT_TRUE(tcp_.listen(QHostAddress::LocalHost));
    EXPECT_TRUE(udp_.bind(QHostAddress::LocalHost, 0));
    QObject::connect(&tcp_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* s = tcp_.nextPendingConnection()) {
        ++connections_;
        s->deleteLater();
      }
    });
    QObject::connect(&udp_, &QUdpSocket::readyRead, [this] {
      while (udp_.hasPendingDatagrams()) {
        udp_.receiveDatagram();
        ++datagrams_;
      }
    });
  }
  std::string TcpPort() const { return std::to_string(tcp_.serverPort()); }
  std::string UdpPort() const { return std::to_string(udp_.localPort()); }
  int connections() const { return connections_; }
  int datagrams() const { return datagrams_; }

 private:
  QTcpServer tcp_;
  QUdpSocket udp_;
  int connections_ = 0;
  int datagrams_ = 0;
};

void Spin(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Every way a document can reach the network, tried in the window `w`:
// loads, requests, sockets, workers, navigations and WebRTC.
std::string EscapeAttempts(const LoopbackListeners& to) {
  std::string js = R"JS(
function escapeFrom(w) {
  var T = 'http://127.0.0.1:@TCP@', d = w.document, log = [];
  function t(name, f) { try { f(); log.push(name); } catch (e) {} }
  t('fetch', function () { w.fetch(T + '/fetch').catch(function () {}); });
  t('xhr', function () { var x = new w.XMLHttpRequest(); x.open('GET', T + '/xhr'); x.send(); });
  t('img', function () { var i = d.createElement('img'); i.src = T + '/img'; d.body.appendChild(i); });
  t('script', function () { var s = d.createElement('script'); s.src = T + '/js'; d.body.appendChild(s); });
  t('css', function () {
    var l = d.createElement('link'); l.rel = 'stylesheet'; l.href = T + '/css'; d.head.appendChild(l);
  });
  t('font', function () {
    var s = d.createElement('style');
    s.textContent = '@font-face{font-family:f;src:url(' + T + '/font)} body{font-family:f}';
    d.head.appendChild(s);
    d.body.appendChild(d.createTextNode('font'));
  });
  t('eventsource', function () { new w.EventSource(T + '/events'); });
  t('beacon', function () { w.navigator.sendBeacon(T + '/beacon', 'x'); });
  t('websocket', function () { new w.WebSocket('ws://127.0.0.1:@TCP@/ws'); });
  t('webtransport', function () { new w.WebTransport('https://127.0.0.1:@UDP@/wt'); });
  t('worker', function () {
    var src = "fetch('" + T + "/worker').catch(function(){});" +
              "try { new WebSocket('ws://127.0.0.1:@TCP@/worker-ws'); } catch (e) {}";
    new w.Worker(w.URL.createObjectURL(new w.Blob([src], { type: 'text/javascript' })));
  });
  t('webrtc', function () {
    var pc = new w.RTCPeerConnection({ iceServers: [
      { urls: 'stun:127.0.0.1:@UDP@' },
      { urls: 'turn:127.0.0.1:@TCP@?transport=tcp', username: 'u', credential: 'p' },
      { urls: 'turn:127.0.0.1:@UDP@?transport=udp', username: 'u', credential: 'p' }] });
    pc.createDataChannel('d');
    pc.createOffer().then(function (o) { return pc.setLocalDescription(o); });
  });
  t('open', function () { w.open(T + '/open'); });
  t('post', function () {
    var f = d.createElement('form'); f.method = 'post'; f.action = T + '/post';
    d.body.appendChild(f); f.submit();
  });
  t('refresh', function () {
    var m = d.createElement('meta'); m.httpEquiv = 'refresh'; m.content = '0;url=' + T + '/refresh';
    d.head.appendChild(m);
  });
  return log.join(' ');
}
)JS";
  for (const auto& [key, value] : {std::pair{"@TCP@", to.TcpPort()}, {"@UDP@", to.UdpPort()}})
    for (std::size_t at; (at = js.find(key)) != std::string::npos;) js.replace(at, std::strlen(key), value);
  return js;
}

using HostilePageTest = PageFixture;

// The page of the network test: the attempts in the main frame, in a frame
// the page makes empty and scripts from outside, and in a data: frame.
std::string NetworkTestPage(const LoopbackListeners& to) {
  const std::string attempts = EscapeAttempts(to);
  const QString inner = QString::fromStdString("<body><script>" + attempts +
                                               "escapeFrom(window);</script></body>");
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body><script>" + attempts +
         "window.tried = 'main: ' + escapeFrom(window);"
         "document.body.appendChild(document.createElement('iframe'));"
         "tried += ' / empty: ' + escapeFrom(window[window.length - 1]);"
         "var f = document.createElement('iframe');"
         "f.src = 'data:text/html,' + encodeURIComponent(" +
         QJsonDocument(QJsonArray{inner}).toJson(QJsonDocument::Compact).replace("</", "<\\/").toStdString() +
         "[0]); document.body.appendChild(f);"
         "function triedList() { return tried; }</script></body></html>";
}

}  // namespace

int RunNetworkChild(const char* pagePath) {
  if (ForbidNetworkSockets() != kOk) return 2;
  QFile file(QString::fromLocal8Bit(pagePath));
  if (!file.open(QIODevice::ReadOnly)) return 3;
  const QByteArray page = file.readAll();
  FormView view;
  view.resize(640, 480);
  view.show();
  if (view.LoadBytes(page.toStdString(), true) != kOk) return 4;
  std::cout << view.CallPageFunction("triedList", {}).text << std::endl;
  // Time for STUN retries, TURN connections and workers.
  Spin(4000);
  return 0;
}

namespace {

TEST_F(HostilePageTest, NoFrameOfTheProgramReachesTheNetwork) {
  LoopbackListeners listeners;
  QTemporaryDir folder;
  QFile page(folder.filePath(QStringLiteral("page.html")));
  ASSERT_TRUE(page.open(QIODevice::WriteOnly));
  page.write(QByteArray::fromStdString(NetworkTestPage(listeners)));
  page.close();

  QProcess child;
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--network-child"), page.fileName()});
  ASSERT_TRUE(child.waitForStarted());
  QElapsedTimer clock;
  clock.start();
  while (child.state() != QProcess::NotRunning && clock.elapsed() < 60000) Spin(50);
  ASSERT_EQ(QProcess::NormalExit, child.exitStatus());
  ASSERT_EQ(0, child.exitCode()) << child.readAllStandardError().toStdString();
  // Every attempt ran, in both frames the test can see from outside.
  const std::string tried = child.readAllStandardOutput().toStdString();
  for (const char* kind : {"main: fetch", "empty: fetch", "websocket", "webtransport", "webrtc",
                           "worker", "beacon", "post", "refresh"})
    EXPECT_NE(std::string::npos, tried.find(kind)) << kind << " not tried: " << tried;
  EXPECT_EQ(0, listeners.connections());
  EXPECT_EQ(0, listeners.datagrams());
}

TEST_F(HostilePageTest, SocketConstructorsAreGoneFromEveryFrameThatLoads) {
  LoadPage("window.seen = {};"
           "addEventListener('message', function (e) { seen[e.data.split(':')[0]] = e.data; });"
           "function kinds(w) { return [typeof w.RTCPeerConnection, typeof w.WebSocket,"
           "                            typeof w.WebTransport].join(' '); }",
           "<iframe src=\"data:text/html,<script>parent.postMessage('data:' + [typeof "
           "RTCPeerConnection, typeof WebSocket, typeof WebTransport].join(' '), '*')</script>\">"
           "</iframe>");
  EXPECT_EQ("undefined undefined undefined", Eval("kinds(window)"));
  std::string inFrame;
  for (int i = 0; i < 200 && inFrame.empty(); ++i) {
    Spin(20);
    inFrame = Eval("seen.data || ''");
  }
  EXPECT_EQ("data:undefined undefined undefined", inFrame);
  // The page cannot bring them back.
  Run("try { window.WebSocket = function () {}; } catch (e) {}");
  EXPECT_EQ("undefined", Eval("typeof WebSocket"));
}

// Counts the window.external calls that reach the program.
class CountingHandler : public PageCallHandler {
 public:
  Result HandlePageCall(const std::string& name, const std::vector<ScriptValue>&,
                        PageHandover*, std::optional<std::string>& result) override {
    calls.push_back(name);
    result = "0\tsecret.txt\n";
    return kOk;
  }
  std::vector<std::string> calls;
};

TEST_F(HostilePageTest, OnlyTheMainFrameCanCallTheProgram) {
  CountingHandler handler;
  view_->SetCallHandler(&handler);
  // Each frame tries parent.external and top.external and reports what it
  // got; a frame that is refused never runs.
  const std::string probe =
      "<script>var r = [];"
      "try { r.push(String(parent.external.listFile())); } catch (e) { r.push('refused'); }"
      "try { r.push(String(top.external.saveForm('x'))); } catch (e) { r.push('refused'); }"
      "r.push(location.href.slice(0, 14)); parent.postMessage(r.join(','), '*');</script>";
  LoadPage("window.got = [];"
           "addEventListener('message', function (e) { got.push(e.data); });"
           "function frame(src) {"
           "  var f = document.createElement('iframe'); f.src = src; document.body.appendChild(f);"
           "}"
           "function go(probe) {"
           "  var s = document.createElement('iframe'); s.srcdoc = probe; document.body.appendChild(s);"
           "  frame(URL.createObjectURL(new Blob([probe], { type: 'text/html' })));"
           "  frame('javascript:' + encodeURIComponent(\"'\" + probe.replace(/'/g, \"\\\\'\") + \"'\"));"
           "  frame(location.href);"
           "  frame('data:text/html,' + encodeURIComponent(probe));"
           "}");
  view_->CallPageFunction("go", {probe});
  Spin(1500);
  // The srcdoc, javascript: and data: frames ran and got nothing either way;
  // blob: and form documents never load in a frame.
  EXPECT_EQ("about:blank,about:srcdoc,data:text/html", Eval("got.map(function (g) {"
            "  return g.split(',').slice(2); }).sort().join()"));
  // (saveForm needs a user action first, so it returns nothing even there.)
  EXPECT_EQ("3", Eval("got.filter(function (g) { return /^refused,(refused|undefined),/.test(g); })"
                      ".length"));
  EXPECT_TRUE(handler.calls.empty()) << handler.calls.front();
  // While a frame of the form's origin exists the main frame is refused too;
  // once it is gone the main frame gets through.
  EXPECT_EQ("refused", Eval("(function () { try { return external.listFile(); }"
                            " catch (e) { return 'refused'; } })()"));
  Run("document.querySelectorAll('iframe').forEach(function (f) {"
      "  if (f.srcdoc || !f.src.startsWith('data:')) f.remove(); });");
  EXPECT_EQ("0\tsecret.txt\n", Eval("window.external.listFile()"));
  EXPECT_EQ(1u, handler.calls.size());
}

TEST_F(HostilePageTest, DialogsOpenOnlyOncePerUserAction) {
  CountingHandler handler;
  view_->SetCallHandler(&handler);
  LoadPage("function trap() {"
           "  for (var i = 0; i < 50; ++i) try { external.saveLeaf(); } catch (e) {}"
           "}"
           "function twice() { external.attachFile(); return String(external.extractFile(0)); }"
           "function loop() {"
           "  var end = Date.now() + 1000;"
           "  (function again() { trap(); if (Date.now() < end) setTimeout(again, 10); })();"
           "  return 'looping';"
           "}");
  // Without a user action nothing opens, and nothing fails loudly either.
  EXPECT_EQ("undefined", Eval("external.saveLeaf()"));
  for (const char* name : {"attachFile()", "extractFile(0)", "saveForm('x')", "viewFile(0)"})
    EXPECT_EQ("undefined", Eval(std::string("external.") + name)) << name;
  EXPECT_TRUE(handler.calls.empty());
  // One click opens one dialog, however often the page asks during or after it.
  EXPECT_EQ("undefined", CallWithUserAction("twice"));
  EXPECT_EQ((std::vector<std::string>{"attachFile"}), handler.calls);
  EXPECT_EQ("looping", CallWithUserAction("loop"));
  QTest::qWait(1500);
  EXPECT_EQ((std::vector<std::string>{"attachFile", "saveLeaf"}), handler.calls);
  // Calls that open nothing need no user action.
  EXPECT_EQ("0\tsecret.txt\n", Eval("external.listFile()"));
}

TEST_F(HostilePageTest, StringsOverTheLimitFailAsInvalidData) {
  CountingHandler handler;
  view_->SetCallHandler(&handler);
  // 64 MiB + 1 ASCII bytes, and fewer characters than bytes in UTF-8 (the
  // page's length says nothing of the size).
  LoadPage("var big = 'a'.repeat(64 * 1048576 + 1), wide = '日'.repeat(23 * 1048576);"
           "var fit = 'b'.repeat(64 * 1048576);"
           "function send(s) { try { external.detachFile(s); return 'sent'; }"
           "                   catch (e) { return e.message.slice(-8); } }"
           "function sendBig() { return send(big); }"
           "function sendWide() { return send(wide); }"
           "function sendFit() { return send(fit); }"
           "function giveBig() { return big; } function giveWide() { return wide; }"
           "function saveForm() { return big; }"
           "function saveLeaf() { external.saveLeaf(); return 'asked'; }");
  EXPECT_EQ("8007000d", view_->CallPageFunction("sendBig", {}).text);
  EXPECT_EQ("8007000d", view_->CallPageFunction("sendWide", {}).text);
  EXPECT_TRUE(handler.calls.empty());
  EXPECT_EQ("sent", view_->CallPageFunction("sendFit", {}).text);
  EXPECT_EQ(1u, handler.calls.size());
  EXPECT_EQ(kInvalidData, view_->CallPageFunction("giveBig", {}).status);
  EXPECT_EQ(kInvalidData, view_->CallPageFunction("giveWide", {}).status);
  EXPECT_TRUE(view_->CallPageFunction("giveWide", {}).text.empty());
}

}  // namespace
}  // namespace ambrine::test
