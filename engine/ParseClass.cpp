#include "engine/ParseClass.h"

#include <cstring>
#include <limits>

#include "engine/ParseExpr.h"

namespace qv {

namespace {

void StringCompareProc(TExprRec* step) {
  step->Result = static_cast<TLogicalStringOper*>(step->Word)->Compare();
}

}  // namespace

double AllOnesNaN() {
  const uint64_t bits = ~uint64_t{0};
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

void ExprValueProc(TExprRec* step) { step->Result = *step->Args[0]; }

void ExprValueBlock(double* result, const double* const* args, int count) {
  const double* a = args[0];
  for (int i = 0; i < count; ++i) result[i] = a[i];
}

// ---- TExprWord ------------------------------------------------------------

TExprWord::TExprWord(const std::string& name, TExprProc proc)
    : name_(LowerCase(name)), proc_(proc) {}
TExprWord::~TExprWord() = default;
bool TExprWord::IsOperator() const { return false; }
std::string TExprWord::TextValue() const { return std::string(); }
bool TExprWord::IsVarying() const { return false; }
int TExprWord::ResultKind() const { return rkReal; }
int TExprWord::ArgumentCount() const { return 0; }
double* TExprWord::ValueAddress() { return nullptr; }

// ---- Constants and variables ---------------------------------------------

TDoubleConstant::TDoubleConstant(const std::string& name, const std::string& valueText)
    : TExprWord(name, &ExprValueProc),
      value_(valueText.empty() ? AllOnesNaN() : StrToFloat(valueText, ModelNumberForm())) {
  SetBlockProc(&ExprValueBlock);
}

TDoubleConstant::TDoubleConstant(const std::string& name, double value)
    : TExprWord(name, &ExprValueProc), value_(value) {
  SetBlockProc(&ExprValueBlock);
}

TBooleanConstant::TBooleanConstant(const std::string& name, double value)
    : TDoubleConstant(name, value) {}
int TBooleanConstant::ResultKind() const { return rkBoolean; }

TGeneratedVariable::TGeneratedVariable(const std::string& name)
    : TDoubleConstant(name, std::string()) {}
bool TGeneratedVariable::IsVarying() const { return true; }
int TGeneratedVariable::ResultKind() const { return kind_; }

TDoubleVariable::TDoubleVariable(const std::string& name, double* address)
    : TExprWord(name, &ExprValueProc), address_(address) {
  SetBlockProc(&ExprValueBlock);
}
bool TDoubleVariable::IsVarying() const { return true; }

TStringConstant::TStringConstant(const std::string& text)
    : TExprWord(text, &ExprValueProc), number_(AllOnesNaN()) {
  if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'')
    value_ = text.substr(1, text.size() - 2);
  else
    value_ = text;
  SetBlockProc(&ExprValueBlock);
}
int TStringConstant::ResultKind() const { return rkString; }

// ---- Structural words -------------------------------------------------------

TLeftBracket::TLeftBracket(const std::string& name) : TExprWord(name, nullptr) {}
int TLeftBracket::ResultKind() const { return rkLeftBracket; }
TRightBracket::TRightBracket(const std::string& name) : TExprWord(name, nullptr) {}
int TRightBracket::ResultKind() const { return rkRightBracket; }
TComma::TComma(const std::string& name) : TExprWord(name, nullptr) {}
int TComma::ResultKind() const { return rkComma; }

// ---- Functions --------------------------------------------------------------

TFunction::TFunction(const std::string& name, int precedence, bool isOperator, int argumentCount,
                     TExprProc proc)
    : TExprWord(name, proc),
      isOperator_(isOperator ? 1 : 0),
      precedence_(precedence),
      argumentCount_(argumentCount) {
  if (argumentCount > 4) throw EParserException("Too many arguments");
}

TFunction::TFunction(const std::string& name, int argumentCount, TExprProc proc)
    : TFunction(name, 0, false, argumentCount, proc) {}

bool TFunction::IsOperator() const { return isOperator_ != 0; }
int TFunction::ArgumentCount() const { return argumentCount_; }
bool TVaryingFunction::IsVarying() const { return true; }
int TBooleanFunction::ResultKind() const { return rkBoolean; }

// ---- String comparison ----------------------------------------------------

TLogicalStringOper::TLogicalStringOper(const std::string& op, TExprWord* left, TExprWord* right)
    : TExprWord(op, &StringCompareProc), code_(0), left_(left), right_(right) {
  if (op == "=")
    code_ = 0;
  else if (op == ">")
    code_ = 1;
  else if (op == "<")
    code_ = 2;
  else if (op == ">=")
    code_ = 3;
  else if (op == "<=")
    code_ = 4;
  else
    throw EParserException(op + " is not a valid string operand");
}

int TLogicalStringOper::ResultKind() const { return rkBoolean; }

double TLogicalStringOper::Compare() const {
  const std::string a = left_->TextValue();
  const std::string b = right_->TextValue();
  // Byte by byte, unsigned, as zero-terminated strings compare.
  const int c = std::strcmp(a.c_str(), b.c_str());
  bool holds = false;
  switch (code_) {
    case 0:
      holds = c == 0;
      break;
    case 1:
      holds = c > 0;
      break;
    case 2:
      holds = c < 0;
      break;
    case 3:
      holds = c >= 0;
      break;
    default:
      holds = c <= 0;
      break;
  }
  return holds ? 1.0 : 0.0;
}

// ---- Word list --------------------------------------------------------------

int TExpressList::Compare(const void* key1, const void* key2) const {
  return std::strcmp(static_cast<const std::string*>(key1)->c_str(),
                     static_cast<const std::string*>(key2)->c_str());
}

const void* TExpressList::KeyOf(const TOObject* item) const {
  return &static_cast<const TExprWord*>(item)->Name();
}

TExprWord* TExpressList::Insert(std::unique_ptr<TExprWord>& Word) {
  std::unique_ptr<TOObject> item(Word.release());
  TOObject* inserted = TSortedCollection::Insert(item);
  Word.reset(static_cast<TExprWord*>(item.release()));  // back to the caller when refused
  return static_cast<TExprWord*>(inserted);
}

TExprWord* TExpressList::Find(const std::string& name) const {
  int i = 0;
  if (!Search(&name, i)) return nullptr;
  return Word(i);
}

}  // namespace qv
