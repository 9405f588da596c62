// The model editor's completion list (Ctrl+Space): the built-in functions
// of the expression compiler, each with a short argument hint, and the key
// words of the model language. Both come from where the program itself
// knows them (the compiler's word list and the highlighter's key-word
// table), so the list never disagrees with what a model may use.
//
// Functions come first, then key words, each group in alphabetical order
// (letter case ignored); choosing an entry inserts its name.
#pragma once

#include <string>
#include <vector>

namespace qv {

class TCodeCompletionProposal;
class TCustomCodeEdit;

struct TModelCompletionEntry {
  std::string Display;  // pretty text: kind, TAB, name, TAB, argument hint
  std::string Insert;   // the name
};

std::vector<TModelCompletionEntry> ModelCompletionEntries();

// Fills Proposal with the entries and the look of the main window's list,
// and attaches it to Editor.
void SetupModelCompletion(TCodeCompletionProposal& Proposal, TCustomCodeEdit& Editor);

}  // namespace qv
