// The model-language highlighter of the model editor, made where its token
// kinds do not meet the published-property kinds (both name tkString and
// tkUnknown in namespace qv).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qv {

class TCodeCustomHighlighter;

std::unique_ptr<TCodeCustomHighlighter> CreateModelHighlighter();
// The key words of that highlighter.
std::vector<std::string> ModelKeywords();

}  // namespace qv
