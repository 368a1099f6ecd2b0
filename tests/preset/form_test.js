// Runs the default form's own script in a real DOM (jsdom) and checks what
// the program relies on: saveForm/restoreForm round trips, tolerance of bad
// form texts, the export text, and the attachment panel against a stand-in
// of window.external that speaks the program's listing format.
//
// Usage: node form_test.js path/to/index.html   (exit 77: jsdom missing)
"use strict";
const { test } = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");

// Debian installs node modules in /usr/share/nodejs, which a node from
// another source does not search unless NODE_PATH names it.
let JSDOM, VirtualConsole;
try {
  ({ JSDOM, VirtualConsole } = require("jsdom"));
} catch (e) {
  process.env.NODE_PATH = [process.env.NODE_PATH, "/usr/share/nodejs"].filter(Boolean).join(path.delimiter);
  require("node:module").Module._initPaths();
  try { ({ JSDOM, VirtualConsole } = require("jsdom")); } catch (e2) { /* skipped below */ }
}
if (!JSDOM) {
  console.log("jsdom is not installed (Debian package node-jsdom): skipped");
  process.exit(77);
}

const pagePath = process.argv[2] || path.join(__dirname, "../../preset/index.html");
const pageHtml = fs.readFileSync(pagePath, "utf8");

// The program's side of window.external: an attachment store that answers
// with "index\tname\n" lines, and a log of every call.
class FakeHost {
  constructor(names = []) {
    this.names = names.slice();
    this.calls = [];
    this.nextAttach = [];
  }
  listing() { return this.names.map((n, i) => `${i}\t${n}\n`).join(""); }
  bind() {
    return {
      saveLeaf: () => { this.calls.push(["saveLeaf"]); },
      attachFile: () => {
        this.calls.push(["attachFile"]);
        const name = this.nextAttach.shift();
        if (name === undefined) return "";  // the user cancelled
        this.names.push(name);
        return this.listing();
      },
      detachFile: (index) => {
        this.calls.push(["detachFile", index]);
        if (Number.isInteger(index) && index >= 0 && index < this.names.length) this.names.splice(index, 1);
        return this.listing();
      },
      listFile: () => { this.calls.push(["listFile"]); return this.listing(); },
      extractFile: (index) => { this.calls.push(["extractFile", index]); },
      viewFile: (index) => { this.calls.push(["viewFile", index]); },
      saveForm: (text) => { this.calls.push(["saveForm", text]); },
    };
  }
}

// Loads markup as the view would, with window.external set before the page's
// script runs, and waits until the page's start-up has run. Uncaught script
// errors are collected in `errors`.
async function open(html, host) {
  const errors = [];
  const virtualConsole = new VirtualConsole();
  virtualConsole.on("jsdomError", (e) => errors.push(e));
  const dom = new JSDOM(html, {
    runScripts: "dangerously",
    virtualConsole,
    beforeParse(window) {
      if (host) Object.defineProperty(window, "external", { value: host.bind(), configurable: true });
      window.confirm = () => true;
    },
  });
  const w = dom.window;
  const doc = w.document;
  if (doc.readyState === "loading") {
    await new Promise((resolve) => doc.addEventListener("DOMContentLoaded", () => setTimeout(resolve, 0)));
  }
  const page = {
    w, doc, errors,
    $: (id) => doc.getElementById(id),
    click: (el) => el.dispatchEvent(new w.MouseEvent("click", { bubbles: true })),
    type: (el, value) => { el.value = value; el.dispatchEvent(new w.Event("input", { bubbles: true })); },
    rows: () => Array.from(doc.querySelectorAll("#rows tr")).map((tr) => ({
      item: tr.querySelector("input.item").value,
      amount: tr.querySelector("input.amount").value,
      memo: tr.querySelector("input.memo").value,
    })),
    fields: () => ({
      title: page.$("title").value, date: page.$("date").value,
      category: page.$("category").value, body: page.$("body").value,
    }),
    names: () => Array.from(doc.querySelectorAll("#attachList .attach-name")).map((e) => e.textContent),
    markup: () => "<!DOCTYPE html>\n" + doc.documentElement.outerHTML,
    close: () => w.close(),
  };
  return page;
}

const HOSTILE = [
  "", " ", "\n", "\r\n", "\r", "\t", "a\tb\nc", '"', "'", "`", "=", "&", "&amp;", "a=b&c=d", "%41%zz",
  "\\", "\\n", "\\u0041", "\\\"", "<script>alert(1)</script>", "</textarea><b>x</b>", "<!-- -->",
  "\u0000", "x\u0000y", "\u007f", "\u0085", "\u2028\u2029", "\ufeff", "\ufffd",
  "😀👨‍👩‍👧", "日本語の記録　全角スペース", "ｶﾀｶﾅ①", "\ud800", "\udfff", "a\ud83dz", "\ude00b",
  "ambrine-form 1\n{}", "{\"title\":\"x\"}", "null", " leading and trailing ",
];

function hostileRows(count) {
  const rows = [];
  for (let i = 0; i < count; i++) {
    rows.push({
      item: HOSTILE[i % HOSTILE.length] + i,
      amount: i % 3 === 0 ? String(i * 10) : HOSTILE[(i * 7) % HOSTILE.length],
      memo: HOSTILE[(i * 5 + 3) % HOSTILE.length],
    });
  }
  return rows;
}

test("form text survives every character typed and the saved markup reloaded", async () => {
  const host = new FakeHost(["a.txt"]);
  const first = await open(pageHtml, host);
  const { $ } = first;
  const rows = hostileRows(80);

  // Type like a user: values into the fields, rows added with the button.
  first.type($("title"), HOSTILE.join("|"));
  first.type($("date"), "2024-02-29");
  $("category").value = "家計";
  first.type($("body"), HOSTILE.join("\n"));
  for (const b of first.doc.querySelectorAll("#rows button.remove-row")) first.click(b);
  for (const r of rows) {
    first.click($("addRow"));
    const tr = first.doc.querySelector("#rows tr:last-child");
    first.type(tr.querySelector("input.item"), r.item);
    first.type(tr.querySelector("input.amount"), r.amount);
    first.type(tr.querySelector("input.memo"), r.memo);
  }
  const text = first.w.saveForm();
  const expectedFields = first.fields();
  const expectedRows = first.rows();
  // The DOM itself drops line breaks from one-line fields and turns CR LF
  // into LF in the text area; everything else must be as typed.
  const oneLine = (v) => v.replace(/[\r\n]/g, "");
  assert.deepEqual(expectedRows, rows.map((r) => ({ item: oneLine(r.item), amount: oneLine(r.amount), memo: oneLine(r.memo) })));
  assert.equal(expectedFields.body, HOSTILE.join("\n").replace(/\r\n?/g, "\n"));
  assert.equal(typeof text, "string");

  // Only printable ASCII plus the header's line feed: no zero byte for the
  // reader to stop at, nothing a byte conversion can change.
  assert.match(text, /^ambrine-form 1\n[\x20-\x7e]+$/);
  assert.equal(Buffer.from(text, "utf8").toString("utf8"), text);

  // The leaf carries the markup; loading it again must not keep the rows it
  // carried next to the restored ones.
  const markup = first.markup();
  first.close();
  const second = await open(markup, new FakeHost());
  second.w.restoreForm(text);
  assert.deepEqual(second.fields(), expectedFields);
  assert.deepEqual(second.rows(), expectedRows);
  assert.equal(second.w.saveForm(), text);
  assert.deepEqual(second.errors, []);
  second.close();
});

test("the form text format carries every string exactly", async () => {
  const page = await open(pageHtml, null);
  const f = page.w.ambrineForm;
  const record = {
    title: HOSTILE.join(""), date: "\r\n", category: "\ud800", body: HOSTILE.join("\r"),
    rows: hostileRows(HOSTILE.length * 2),
  };
  const text = f.encodeFormText(record);
  assert.match(text, /^ambrine-form 1\n[\x20-\x7e]+$/);
  // Strings made in the page's window compare by value here through JSON.
  assert.equal(JSON.stringify(f.decodeFormText(text)), JSON.stringify(record));
  page.close();
});

test("a category the list does not offer is kept", async () => {
  const page = await open(pageHtml, new FakeHost());
  const text = 'ambrine-form 1\n{"category":"旅行 & \\"=\\" \\ud800","rows":[]}';
  page.w.restoreForm(text);
  assert.equal(page.fields().category, '旅行 & "=" \ud800');
  assert.deepEqual(page.rows(), []);
  const again = await open(page.markup(), new FakeHost());
  again.w.restoreForm(page.w.saveForm());
  assert.equal(again.fields().category, '旅行 & "=" \ud800');
  page.close();
  again.close();
});

test("restoreForm tolerates empty, foreign and broken texts and clears old values", async () => {
  const page = await open(pageHtml, new FakeHost());
  const filled = 'ambrine-form 1\n{"title":"t","date":"2020-01-02","category":"日記","body":"b",' +
    '"rows":[{"item":"i","amount":"1","memo":"m"}]}';
  const empty = { title: "", date: "", category: "", body: "" };
  const blank = [{ item: "", amount: "", memo: "" }, { item: "", amount: "", memo: "" },
    { item: "", amount: "", memo: "" }];
  const bad = [
    "", undefined, null, 42, {}, "garbage", "ambrine-form 1", "ambrine-form 1\n",
    "ambrine-form 1\n{bad json", "ambrine-form 1\n[1,2]", "ambrine-form 1\nnull", "ambrine-form 1\n\"s\"",
    "title=abc&body=def", "\u0000\ud800", "{", "ambrine-form x\n{}",
  ];
  for (const text of bad) {
    page.w.restoreForm(filled);
    assert.equal(page.fields().title, "t");
    assert.doesNotThrow(() => page.w.restoreForm(text), `restoreForm(${JSON.stringify(text)})`);
    assert.deepEqual(page.fields(), empty, `fields after ${JSON.stringify(text)}`);
    assert.deepEqual(page.rows(), blank, `rows after ${JSON.stringify(text)}`);
    assert.equal(typeof page.w.saveForm(), "string");
  }

  // Missing or mistyped members leave their fields empty; usable ones stay.
  page.w.restoreForm('\ufeffambrine-form 7\r\n{"title":5,"date":"not a date","category":null,"body":["x"],' +
    '"future":{"a":1},"rows":[null,3,"x",[1,null],{"item":{"a":1},"amount":12.5},{"memo":"m"}]}');
  assert.deepEqual(page.fields(), { title: "5", date: "", category: "", body: "" });
  assert.deepEqual(page.rows(), [
    { item: "1", amount: "", memo: "" },
    { item: "", amount: "12.5", memo: "" },
    { item: "", amount: "", memo: "m" },
  ]);
  page.w.restoreForm('{"title":"bare JSON"}');
  assert.equal(page.fields().title, "bare JSON");
  assert.deepEqual(page.errors, []);
  page.close();
});

test("exportForm gives a readable text with every value", async () => {
  const host = new FakeHost(["報告書 2024.pdf", "写真 1.jpg"]);
  const page = await open(pageHtml, host);
  page.w.restoreForm('ambrine-form 1\n' + JSON.stringify({
    title: "健康診断", date: "2024-05-01", category: "健康", body: "一行目\n二行目",
    rows: [
      { item: "検査, 基本", amount: "1,200", memo: 'say "hi"' },
      { item: "薬", amount: "３００", memo: "" },
      { item: "交通費", amount: "未定", memo: "a,b" },
    ],
  }));
  const out = page.w.exportForm();
  assert.equal(typeof out, "string");
  const lines = out.split("\n");
  assert.ok(lines.includes("タイトル: 健康診断"));
  assert.ok(lines.includes("日付: 2024-05-01"));
  assert.ok(lines.includes("分類: 健康"));
  assert.ok(out.includes("本文:\n一行目\n二行目\n"));
  assert.ok(lines.includes('"検査, 基本","1,200","say ""hi"""'));
  assert.ok(lines.includes("薬,３００,"));
  assert.ok(lines.includes('交通費,未定,"a,b"'));
  assert.ok(lines.includes("合計: 1,500（数値でない金額 1 件を除く）"));
  assert.ok(lines.includes("- 報告書 2024.pdf"));
  assert.ok(lines.includes("- 写真 1.jpg"));
  assert.equal(page.$("total").textContent, "1,500");
  assert.equal(page.$("bodyPrint").textContent, "一行目\n二行目");  // what prints in place of the text area
  page.close();
});

test("amounts: full-width digits, separators and decimals add up exactly", async () => {
  const page = await open(pageHtml, null);
  const f = page.w.ambrineForm;
  assert.equal(f.amountCents("¥1,234.5"), 123450);
  assert.equal(f.amountCents("－１０円"), -1000);
  assert.equal(f.amountCents("0.1"), 10);
  assert.equal(f.amountCents("1.2.3"), null);
  assert.equal(f.amountCents(""), null);
  assert.equal(f.formatCents(10 + 20), "0.3");
  assert.equal(f.formatCents(-123456789), "-1,234,567.89");
  assert.equal(f.formatCents(100005), "1,000.05");
  page.close();
});

test("listing texts: spaces, Japanese, line feeds in names and non-strings", async () => {
  const page = await open(pageHtml, null);
  // Arrays made in the page's window: compared by value.
  const parse = (text) => JSON.parse(JSON.stringify(page.w.ambrineForm.parseListing(text)));
  assert.deepEqual(parse(""), []);
  assert.deepEqual(parse(undefined), []);
  assert.deepEqual(parse(7), []);
  assert.deepEqual(parse("0\ta.txt\n"), [{ index: 0, name: "a.txt" }]);
  assert.deepEqual(parse("0\t報告書 2024 年.pdf\n1\t my file .txt\n2\t1\t"), [
    { index: 0, name: "報告書 2024 年.pdf" }, { index: 1, name: " my file .txt" }, { index: 2, name: "1\t" },
  ]);
  // A name with line feeds, one of them followed by text that looks like an
  // entry with the wrong index.
  assert.deepEqual(parse("0\tfirst\nline two\n5\tnot an entry\n\n1\tsecond\n"), [
    { index: 0, name: "first\nline two\n5\tnot an entry\n" }, { index: 1, name: "second" },
  ]);
  page.close();
});

test("attachment panel lists, attaches, detaches and extracts through window.external", async () => {
  const host = new FakeHost(["報告書 2024.pdf", "my notes.txt"]);
  const page = await open(pageHtml, host);
  const { $ } = page;
  assert.deepEqual(page.names(), ["報告書 2024.pdf", "my notes.txt"]);  // listed on load

  host.nextAttach.push("写真 (1).jpg");
  page.click($("attach"));
  assert.deepEqual(page.names(), ["報告書 2024.pdf", "my notes.txt", "写真 (1).jpg"]);
  page.click($("attach"));  // cancelled: "" keeps the list
  assert.deepEqual(page.names(), ["報告書 2024.pdf", "my notes.txt", "写真 (1).jpg"]);

  const items = page.doc.querySelectorAll("#attachList li");
  page.click(items[2].querySelector("button.extract"));
  page.click(items[0].querySelector("button.view"));
  page.click(items[1].querySelector("button.detach"));
  assert.deepEqual(host.calls.filter((c) => ["extractFile", "viewFile", "detachFile"].includes(c[0])),
    [["extractFile", 2], ["viewFile", 0], ["detachFile", 1]]);
  assert.deepEqual(page.names(), ["報告書 2024.pdf", "写真 (1).jpg"]);

  // Detaching the last ones gives the empty listing: the list empties.
  page.click(page.doc.querySelector("#attachList li button.detach"));
  page.click(page.doc.querySelector("#attachList li button.detach"));
  assert.deepEqual(page.names(), []);
  assert.notEqual($("attachEmpty").style.display, "none");

  page.click($("save"));
  page.click($("export"));
  const exported = host.calls.find((c) => c[0] === "saveForm");
  assert.ok(host.calls.some((c) => c[0] === "saveLeaf"));
  assert.equal(exported[1], page.w.exportForm());
  assert.deepEqual(page.errors, []);
  page.close();
});

test("a reopened leaf shows the program's attachments, not those in its markup", async () => {
  const saved = await open(pageHtml, new FakeHost(["old.pdf"]));
  assert.deepEqual(saved.names(), ["old.pdf"]);
  const markup = saved.markup();
  saved.close();

  // The program empties its store before loading, and adds the leaf's
  // attachments only after restoreForm() has returned.
  const host = new FakeHost();
  const page = await open(markup, host);
  assert.deepEqual(page.names(), []);
  page.w.restoreForm("");
  host.names.push("old.pdf", "新しい.txt");
  await new Promise((resolve) => setTimeout(resolve, 20));
  assert.deepEqual(page.names(), ["old.pdf", "新しい.txt"]);
  assert.deepEqual(page.errors, []);
  page.close();
});

test("opened in a plain browser: no buttons throw, a note says why", async () => {
  const page = await open(pageHtml, null);
  const { $ } = page;
  assert.equal(typeof page.w.external === "object" && typeof page.w.external.listFile, "undefined");
  for (const id of ["save", "export", "attach", "refresh", "addRow"]) page.click($(id));
  page.click(page.doc.querySelector("#rows button.remove-row"));
  assert.match($("note").textContent, /Ambrine の中で/);
  assert.equal(page.rows().length, 3);  // three blank rows, one added, one removed
  assert.match($("date").value, /^\d{4}-\d{2}-\d{2}$/);  // a new form is dated today
  assert.deepEqual(page.errors, []);

  // A host whose methods throw is reported in the note, not as an error.
  const broken = new FakeHost();
  broken.bind = () => ({ listFile() { throw new Error("bridge down"); }, saveLeaf() { throw new Error("x"); } });
  const other = await open(pageHtml, broken);
  other.click(other.$("save"));
  assert.match(other.$("note").textContent, /失敗/);
  assert.deepEqual(other.errors, []);
  page.close();
  other.close();
});

test("the form and the manual are self-contained: nothing is fetched", async () => {
  const manualPath = process.argv[3] || path.join(__dirname, "../../docs/manual.html");
  for (const file of [pagePath, manualPath]) {
    const html = fs.readFileSync(file, "utf8");
    const doc = new JSDOM(html).window.document;
    assert.equal(doc.querySelectorAll("link, iframe, frame, object, embed, base, img, video, audio, source").length, 0, file);
    for (const el of doc.querySelectorAll("*")) {
      for (const attr of ["src", "srcset", "action", "formaction", "poster", "data", "background"]) {
        assert.equal(el.hasAttribute(attr), false, `${file}: <${el.localName} ${attr}>`);
      }
      const href = el.getAttribute("href");
      if (href !== null) assert.match(href, /^#[\w-]+$/, `${file}: href ${href}`);
    }
    const styles = Array.from(doc.querySelectorAll("style"), (s) => s.textContent).join("\n");
    assert.doesNotMatch(styles, /@import|url\(/, file);
    const scripts = Array.from(doc.querySelectorAll("script"), (s) => s.textContent).join("\n");
    assert.doesNotMatch(scripts, /\bfetch\(|XMLHttpRequest|WebSocket|EventSource|import\(|sendBeacon/, file);
    for (const a of doc.querySelectorAll("a[href]")) {
      assert.ok(doc.getElementById(a.getAttribute("href").slice(1)), `${file}: ${a.getAttribute("href")} has a target`);
    }
  }
});
