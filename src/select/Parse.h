#pragma once
// The `draw` statement: its words into a request, and the checks a request
// must pass before any file is read (the desktop's dialog runs the same).
#include <optional>
#include <string>
#include <string_view>

#include "select/Request.h"

namespace mirto::select {

// "srs n=100 seed=7 out=sample.csv ...": fills `request` (its frame aside);
// what is wrong with the text, if anything. A value with blanks is quoted ("...").
std::optional<std::string> ParseDraw(std::string_view text, DrawRequest& request);

// The statement's text of a request (its frame aside), as ParseDraw reads it
// back; none when a value holds a quote or a line end, which no statement can write.
std::optional<std::string> DrawText(const DrawRequest& request);

// What a request lacks, or holds that its design does not take.
std::optional<std::string> CheckRequest(const DrawRequest& request);

}  // namespace mirto::select
