#include "report/HtmlAssets.h"

namespace qv {

const char* HtmlReportStyle() {
    return R"css(
:root { color-scheme: light; }
body { font: 14px/1.4 system-ui, -apple-system, "Segoe UI", sans-serif; margin: 0 1.5em 2em;
       color: #1d1d1d; background: #fff; }
h1 { font-size: 1.5em; margin: 0.8em 0 0.2em; }
h2 { font-size: 1.15em; margin: 1.4em 0 0.5em; border-bottom: 1px solid #ddd; }
.made { color: #555; margin: 0 0 1em; }
.none { color: #888; font-style: italic; }
dl.context { display: grid; grid-template-columns: max-content minmax(12em, max-content)
             max-content 1fr; gap: 0.15em 1.2em; margin: 0; }
dl.context dt { font-weight: 600; }
dl.context dd { margin: 0; }
.summary { display: flex; flex-wrap: wrap; gap: 2em; align-items: flex-start; }
table { border-collapse: collapse; }
th, td { text-align: left; vertical-align: top; padding: 0.2em 0.6em; }
table.counts td.n { text-align: right; font-variant-numeric: tabular-nums; }
table.counts tr.total td { border-top: 1px solid #bbb; font-weight: 600; }
svg.chart text { font: 12px system-ui, sans-serif; fill: #1d1d1d; }
svg.chart a:hover rect { opacity: 0.75; }
.filters { display: flex; flex-wrap: wrap; gap: 1.2em; align-items: center; margin: 0.5em 0;
           padding: 0.5em 0.7em; background: #f3f4f6; border-radius: 4px; position: sticky;
           top: 0; z-index: 1; }
.filters input[type=search] { width: 22em; }
#shown { color: #444; }
.notice { color: #a40000; font-weight: 600; }
table.rows { width: 100%; }
table.rows thead th { background: #e8eaee; position: sticky; top: 2.6em; white-space: nowrap; }
table.rows th button { all: unset; cursor: pointer; font-weight: 600; }
table.rows th button:focus-visible { outline: 2px solid #3b6fd8; }
table.rows th[aria-sort=ascending] button::after { content: " \25B2"; }
table.rows th[aria-sort=descending] button::after { content: " \25BC"; }
table.rows tbody tr:nth-child(even) { background: #fafafa; }
table.rows tbody tr:hover { background: #eef3ff; }
table.rows td { border-bottom: 1px solid #eee; }
td.status { white-space: pre; font-weight: 600; }
td.why { color: #333; max-width: 40em; white-space: pre-line; }
.facts { display: none; color: #666; font-size: 0.86em; }
#results.with-facts .facts { display: block; }
tr.conflict td:first-child { box-shadow: inset 3px 0 0 #c83200; }
.empty { color: #666; font-style: italic; }
@media print {
  .filters, #more { display: none; }
  .filters, table.rows thead th { position: static; }
}
)css";
}

const char* HtmlReportScript() {
    return R"js(
(function () {
  'use strict';
  var table = document.getElementById('results');
  if (!table) return;
  var rows = Array.prototype.slice.call(table.tBodies[0].rows);
  var conflicts = document.getElementById('f-conflicts');
  var facts = document.getElementById('f-facts');
  var kind = document.getElementById('f-kind');
  var query = document.getElementById('f-q');
  var shown = document.getElementById('shown');
  var notice = document.getElementById('notice');
  var noMatch = document.getElementById('no-match');
  var more = document.getElementById('more');
  // The rows' texts in lower case, made once at the first search.
  var texts = null;

  // At most this many matching rows are laid out at first: the browser needs seconds for tens of
  // thousands. "Show all" lifts the limit until the filters change.
  var firstRows = 2000, limit = firstRows;
  // The rows' indices in the order the table shows them.
  var order = rows.map(function (r, i) { return i; });

  function apply() {
    var onlyConflicts = conflicts.checked;
    var k = kind.value;
    var terms = query.value.toLowerCase().split(/\s+/).filter(function (t) { return t; });
    if (terms.length && !texts)
      texts = rows.map(function (r) { return r.textContent.toLowerCase(); });
    var n = 0;
    for (var o = 0; o < order.length; ++o) {
      var i = order[o], r = rows[i];
      var ok = (!onlyConflicts || r.classList.contains('conflict')) &&
               (!k || r.getAttribute('data-kind') === k);
      for (var t = 0; ok && t < terms.length; ++t) ok = texts[i].indexOf(terms[t]) >= 0;
      if (ok) ++n;
      var show = ok && n <= limit;
      if (r.hidden === show) r.hidden = !show;
    }
    var total = rows.length + (rows.length === 1 ? ' row' : ' rows');
    shown.textContent = n > limit ? limit + ' of ' + total + ' shown: the first of ' + n +
                                        ' that match'
                                  : n + ' of ' + total + ' shown';
    more.hidden = n <= limit;
    noMatch.hidden = n !== 0 || rows.length === 0;
  }
  function filtersChanged() {
    limit = firstRows;
    apply();
    toHash();
  }
  more.addEventListener('click', function () {
    limit = Infinity;
    apply();
  });

  function decode(text) {
    try { return decodeURIComponent(text.replace(/\+/g, ' ')); } catch (e) { return text; }
  }

  function knownKind(name) {
    for (var i = 0; i < kind.options.length; ++i)
      if (kind.options[i].value === name) return true;
    return false;
  }

  // "#conflicts&facts&kind=unmerged&q=tax.cpp&sort=-version": any of them, in any order.
  function fromHash() {
    var c = false, f = false, k = '', q = '', sort = '', problems = [];
    location.hash.replace(/^#/, '').split('&').forEach(function (part) {
      if (!part) return;
      var eq = part.indexOf('=');
      var name = decode(eq < 0 ? part : part.slice(0, eq));
      var value = eq < 0 ? '' : decode(part.slice(eq + 1));
      if (name === 'conflicts') c = value !== '0' && value !== 'false';
      else if (name === 'facts') f = value !== '0' && value !== 'false';
      else if (name === 'kind') {
        if (value && !knownKind(value)) problems.push('no outcome kind "' + value + '"');
        else k = value;
      } else if (name === 'q') q = value;
      else if (name === 'sort') sort = value;
      else problems.push('no filter "' + name + '"');
    });
    limit = firstRows;
    conflicts.checked = c;
    facts.checked = f;
    table.classList.toggle('with-facts', f);
    kind.value = k;
    query.value = q;
    if (sort) {
      var down = sort.charAt(0) === '-', column = columnNamed(down ? sort.slice(1) : sort);
      if (column < 0) problems.push('no column "' + sort + '"');
      else sortBy(column, down);
    }
    notice.textContent = problems.length
        ? 'The address names ' + problems.join(' and ') + '; that part is not applied.' : '';
    notice.hidden = !problems.length;
    apply();
  }

  function toHash() {
    var parts = [];
    if (conflicts.checked) parts.push('conflicts');
    if (facts.checked) parts.push('facts');
    if (kind.value) parts.push('kind=' + encodeURIComponent(kind.value));
    if (query.value) parts.push('q=' + encodeURIComponent(query.value));
    if (sortedBy >= 0)
      parts.push('sort=' + (descending ? '-' : '') +
                 encodeURIComponent(heads[sortedBy].textContent.toLowerCase()));
    notice.hidden = true;
    try {
      history.replaceState(null, '', parts.length ? '#' + parts.join('&')
                                                  : location.pathname + location.search);
    } catch (e) { /* a page that may not change its address keeps its filters all the same */ }
  }

  conflicts.addEventListener('change', filtersChanged);
  facts.addEventListener('change', function () {
    table.classList.toggle('with-facts', facts.checked);
    toHash();
  });
  kind.addEventListener('change', filtersChanged);
  var pending = 0;
  query.addEventListener('input', function () {
    clearTimeout(pending);
    pending = setTimeout(filtersChanged, rows.length > 5000 ? 250 : 60);
  });
  window.addEventListener('hashchange', fromHash);

  // Sorting: numbers inside texts compare as numbers, so "5.10" follows "5.9", letter case does
  // not count, and rows that tie keep their order. Each text becomes a key once per sorting, its
  // runs of digits padded to one width, so that comparing two keys is a plain string comparison.
  var sortedBy = -1, descending = false;
  function sortKey(text) {
    return text.toLowerCase().replace(/\d+/g, function (digits) {
      digits = digits.replace(/^0+(?=\d)/, '');
      return digits.length >= 16 ? digits : '0000000000000000'.slice(digits.length) + digits;
    });
  }
  var heads = Array.prototype.slice.call(table.tHead.rows[0].cells);
  // A column by its title, in any letter case ("version", "merge status"); -1 for none.
  function columnNamed(name) {
    name = name.toLowerCase();
    for (var i = 0; i < heads.length; ++i)
      if (heads[i].textContent.toLowerCase() === name) return i;
    return -1;
  }
  function sortBy(column, down) {
    descending = down;
    sortedBy = column;
    var keys = rows.map(function (r) { return sortKey(r.cells[column].textContent); });
    order.sort(function (a, b) {
      var c = keys[a] < keys[b] ? -1 : keys[a] > keys[b] ? 1 : 0;
      return (descending ? -c : c) || a - b;
    });
    // The rows are moved while their body is out of the page: in the page every move would
    // restyle the rows after it.
    var body = table.tBodies[0], next = body.nextSibling;
    table.removeChild(body);
    order.forEach(function (i) { body.appendChild(rows[i]); });
    table.insertBefore(body, next);
    heads.forEach(function (h, i) {
      if (i === column) h.setAttribute('aria-sort', descending ? 'descending' : 'ascending');
      else h.removeAttribute('aria-sort');
    });
  }
  heads.forEach(function (h, i) {
    var b = h.querySelector('button');
    if (b) b.addEventListener('click', function () {
      sortBy(i, i === sortedBy ? !descending : false);
      apply();
      toHash();
    });
  });

  try {
    fromHash();
  } finally {
    table.hidden = false;
  }
})();
)js";
}

}  // namespace qv
