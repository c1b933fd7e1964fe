// The style sheet and the script of the HTML report, kept apart from the page's text so that each
// can be read as what it is.
#pragma once

namespace qv {

// The page's CSS: the layout, the summary chart, the result table and its filters.
const char* HtmlReportStyle();

// The page's JavaScript: the filters (conflicts only, outcome kind, text search), the rules and
// facts shown or not, the sorting by a column header, all taken from and written to the
// address's fragment ("#conflicts&kind=unmerged&q=tax.cpp&sort=-version"); and the first 2000
// matching rows of a long result shown until all are asked for. It works on the rows the page
// holds and needs nothing else.
const char* HtmlReportScript();

}  // namespace qv
