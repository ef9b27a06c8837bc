#pragma once

#include <string>
#include <string_view>

#include "exchange/Exchange.h"

namespace quillet
{
// Aiken: a question line, two to six options "A. text" or "A) text", then
// "ANSWER: X".
Import ImportAiken(std::string_view text, const std::string& title);
}
