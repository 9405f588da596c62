#include "app/ModelHighlighter.h"

#include "editor/CodeHighlighterSample.h"

namespace qv {

std::unique_ptr<TCodeCustomHighlighter> CreateModelHighlighter() {
  return std::make_unique<TCodeSampleSyn>();
}

std::vector<std::string> ModelKeywords() { return TCodeSampleSyn::Keywords(); }

}  // namespace qv
