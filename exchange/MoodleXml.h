#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "exchange/Exchange.h"

namespace quillet
{
// Moodle XML question files, read and written with Qt's XML streams.
Import ImportMoodleXml(std::string_view bytes, const std::string& title);
// `dropped` receives what the format cannot hold (the topics).
std::string ExportMoodleXml(const CCourse& course, std::vector<std::string>& dropped);
}
