#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "exchange/Exchange.h"

namespace quillet
{
// GIFT, as Moodle documents it.
Import ImportGift(std::string_view text, const std::string& title);
// `dropped` receives what GIFT cannot hold (the topics).
std::string ExportGift(const CCourse& course, std::vector<std::string>& dropped);
}
