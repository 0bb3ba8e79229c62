#pragma once
// The bundled sample run: one institution and a handful of payees, so the main job runs with
// nothing supplied.

#include <vector>

#include "masav/masav_file.h"

namespace zivron::cli {

masav::Institution SampleInstitution();
std::vector<masav::Row> SampleRows();

}  // namespace zivron::cli
