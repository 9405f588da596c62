// The model-language highlighter.
//
// TCodeSampleSyn colours the words of the model definitions and of program
// mode (60 keywords, compared without case), comments in braces (which may
// span lines) or from "//" to the next "//" on the line or the line end,
// and strings in double quotes (ending at the line end when unclosed).
//
// Range (scanner state): 0 normal, 1 inside a brace comment, 2 inside a
// double-slash comment, 3 inside a string. Only range 1 carries over to the
// next line; 2 and 3 end with their line.
#pragma once

#include <string>
#include <vector>

#include "editor/CodeEditHighlighter.h"

namespace qv {

// Token kinds.
enum TCodeSampleTokenKind : int {
  tkComment = 0,
  tkIdentifier = 1,
  tkKey = 2,     // reserved word; never produced by the scanner
  tkNull = 3,    // end of line
  tkPasKey = 4,  // keyword of the model language
  tkSpace = 5,
  tkString = 6,
  tkTest = 7,  // never produced by the scanner
  tkUnknown = 8
};

enum TCodeSampleRange : int32_t {
  rsUnKnown = 0,
  rsBraceComment = 1,
  rsDoubleSlash = 2,
  rsString = 3
};

// Attribute names.
extern const char* const SYNS_AttrComment;       // "Comment"
extern const char* const SYNS_AttrIdentifier;    // "Identifier"
extern const char* const SYNS_AttrReservedWord;  // "Reserved word"
extern const char* const SYNS_AttrPasKey;        // "Paskey"
extern const char* const SYNS_AttrSpace;         // "Space"
extern const char* const SYNS_AttrString;        // "String"
extern const char* const SYNS_AttrTest;          // "Test"

class TCodeSampleSyn : public TCodeCustomHighlighter {
 public:
  TCodeSampleSyn();

  TCodeHighlighterAttributes* GetDefaultAttribute(int Index) const override;
  TCodeCharSet256 GetIdentChars() const override;
  bool IsIdentChar(char32_t C) const override;
  std::string GetSampleSource() const override;
  bool IsDefaultFilterStored() const override;
  std::string GetLanguageName() const override { return "None"; }
  bool GetEol() const override { return tokenId_ == tkNull; }
  int32_t GetRange() const override { return range_; }
  std::string GetToken() const override;
  TCodeHighlighterAttributes* GetTokenAttribute() const override;
  int GetTokenKind() const override { return tokenId_; }
  int GetTokenPos() const override { return tokenPosChars_; }
  void Next() override;
  void SetLine(const std::string& NewValue, int LineNumber) override;
  void SetRange(int32_t Value) override { range_ = Value; }
  void ResetRange() override { range_ = rsUnKnown; }

  // Keyword test of a word: kind 4 for a keyword, else 1.
  static int KeywordKind(const std::string& Word);
  // The model language's key words as the highlighter knows them (the
  // completion of the model editor offers them too).
  static std::vector<std::string> Keywords();
  // The keyword hash of the letters and "_" at the start of Word.
  static int KeyHash(const std::string& Word);

  TCodeHighlighterAttributes* CommentAttri() const { return commentAttri_; }
  TCodeHighlighterAttributes* IdentifierAttri() const { return identifierAttri_; }
  TCodeHighlighterAttributes* KeyAttri() const { return keyAttri_; }
  TCodeHighlighterAttributes* PasKeyAttri() const { return pasKeyAttri_; }
  TCodeHighlighterAttributes* SpaceAttri() const { return spaceAttri_; }
  TCodeHighlighterAttributes* StringAttri() const { return stringAttri_; }
  TCodeHighlighterAttributes* TestAttri() const { return testAttri_; }

 private:
  char At(size_t I) const { return I < line_.size() ? line_[I] : '\0'; }
  void BraceCommentProc();
  void DoubleSlashCommentProc();
  void StringProc();
  void IdentProc();

  std::string line_;
  size_t run_ = 0;
  size_t tokenPos_ = 0;    // byte index of the token start
  int tokenPosChars_ = 0;  // character index of the token start
  int lineNumber_ = 0;
  int tokenId_ = tkNull;
  int32_t range_ = rsUnKnown;

  TCodeHighlighterAttributes* commentAttri_ = nullptr;
  TCodeHighlighterAttributes* identifierAttri_ = nullptr;
  TCodeHighlighterAttributes* keyAttri_ = nullptr;
  TCodeHighlighterAttributes* pasKeyAttri_ = nullptr;
  TCodeHighlighterAttributes* spaceAttri_ = nullptr;
  TCodeHighlighterAttributes* stringAttri_ = nullptr;
  TCodeHighlighterAttributes* testAttri_ = nullptr;
};

}  // namespace qv
