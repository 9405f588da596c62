// The model-language highlighter of the model editor, made where its token
// kinds do not meet the published-property kinds (both name tkString and
// tkUnknown in namespace qv).
#pragma once

#include <memory>

namespace qv {

class TCodeCustomHighlighter;

std::unique_ptr<TCodeCustomHighlighter> CreateModelHighlighter();

}  // namespace qv
