#pragma once
// One builder run as its steps see it: the panel, the institution's values, the value date and
// the rows its import filled. Built by the window from its controls; no step ever sees the window.

#include <string>
#include <vector>

#include "masav/masav_file.h"

namespace zivron {

// Which panel a run belongs to; each names its own controls.
enum class Panel { Credit, Collection };

struct RunRecord {
    Panel panel = Panel::Credit;
    masav::Institution institution;  // the run's panel: code, software code, name
    std::string workbook_name;       // the name the detail workbook's heading carries
    masav::ValueDate date;           // all zero when the selectors hold no calendar date
    std::vector<masav::Row> rows;
    std::string total_text;  // the panel's total box, as the archive workbooks carry it
};

}  // namespace zivron
