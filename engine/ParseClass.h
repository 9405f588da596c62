// Expression words and their collections.
//
// A word is anything that can stand in an expression: a constant, a bound
// or generated variable, a function, an operator, a bracket or the argument
// separator. Every word has a lower-case name and an evaluation procedure,
// the routine that a compiled step (TExprRec) calls. The compiler
// (ParseExpr.h) and the built-in table give the words their meaning; this
// file knows nothing of the model language.
//
// Ownership: words are owned by the parser's sorted word list (TExpressList)
// or by its list of created constants (TOCollection), both of which hold
// them in std::unique_ptr; token and argument lists (TExprCollection) only
// point at them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/OObjects.h"
#include "platform/core/SysUtils.h"

namespace qv {

// Every syntax error of the expression compiler, and every arithmetic fault
// found while evaluating, carries its message in one of these.
QV_DECLARE_EXCEPTION(EParserException, Exception)

class TExprWord;

// One compiled step: the chain of a compiled expression is a sequence of
// these, each reading its operands through stored addresses (the result of
// an earlier step, a constant's value or a bound variable) and writing
// Result. Args[0] is the left operand of a binary operator, Args[1] the right.
struct TExprRec;
using TExprProc = void (*)(TExprRec* step);

struct TExprRec {
  TExprProc Proc = nullptr;
  TExprRec* Next = nullptr;
  double Result = 0.0;
  TExprWord* Word = nullptr;
  double* Args[4] = {nullptr, nullptr, nullptr, nullptr};
};

// The block form of a word's evaluation: Result[i] = f(Args[0][i], ...) for
// i in [0, count). Every built-in word has one; it computes exactly what the
// step procedure computes for each row.
using TBlockProc = void (*)(double* result, const double* const* args, int count);

// Result kinds.
enum : int {
  rkReal = 0,
  rkBoolean = 1,
  rkString = 2,
  rkLeftBracket = 3,
  rkRightBracket = 4,
  rkComma = 5,
};

// The NaN whose 64 bits are all ones: the value of an empty value text and
// of an expression index below 0.
double AllOnesNaN();

// The shared procedure of value-like words: copies *Args[0] into Result.
void ExprValueProc(TExprRec* step);
void ExprValueBlock(double* result, const double* const* args, int count);

class TFunction;

class TExprWord : public TOObject {
 public:
  TExprWord(const std::string& name, TExprProc proc);
  ~TExprWord() override;

  const std::string& Name() const { return name_; }
  TExprProc Proc() const { return proc_; }
  TBlockProc BlockProc() const { return blockProc_; }
  void SetBlockProc(TBlockProc proc) { blockProc_ = proc; }

  virtual bool IsOperator() const;
  virtual std::string TextValue() const;
  virtual bool IsVarying() const;
  virtual int ResultKind() const;
  virtual int ArgumentCount() const;
  virtual double* ValueAddress();
  virtual TFunction* AsFunction() { return nullptr; }

  // Value-like: evaluated by the shared copy procedure (constants, bound
  // and generated variables, string constants).
  bool IsValueLike() const { return proc_ == &ExprValueProc; }

 private:
  std::string name_;
  TExprProc proc_;
  TBlockProc blockProc_ = nullptr;
};

class TDoubleConstant : public TExprWord {
 public:
  // Value from text with the locale's decimal separator (EConvertError when
  // it is not a number); an empty text gives the all-ones NaN.
  TDoubleConstant(const std::string& name, const std::string& valueText);
  TDoubleConstant(const std::string& name, double value);
  double* ValueAddress() override { return &value_; }
  double Value() const { return value_; }
  void SetValue(double value) { value_ = value; }

 private:
  double value_;
};

class TBooleanConstant : public TDoubleConstant {
 public:
  TBooleanConstant(const std::string& name, double value);
  int ResultKind() const override;
};

// A name that no word list entry matched when it was first read: a variable
// of value NaN until something assigns it.
class TGeneratedVariable : public TDoubleConstant {
 public:
  explicit TGeneratedVariable(const std::string& name);
  std::string TextValue() const override { return textValue_; }
  void SetTextValue(const std::string& text) { textValue_ = text; }
  uint8_t Kind() const { return kind_; }
  void SetKind(uint8_t kind) { kind_ = kind; }
  bool IsVarying() const override;
  int ResultKind() const override;

 private:
  std::string textValue_;
  uint8_t kind_ = 0;
};

// A variable whose value is read from caller-owned storage at each evaluation.
class TDoubleVariable : public TExprWord {
 public:
  TDoubleVariable(const std::string& name, double* address);
  bool IsVarying() const override;
  double* ValueAddress() override { return address_; }

 private:
  double* address_;
};

// A quoted text ('abc'); its value is the text without the quotes. As a
// number it reads as NaN.
class TStringConstant : public TExprWord {
 public:
  explicit TStringConstant(const std::string& text);
  std::string TextValue() const override { return value_; }
  int ResultKind() const override;
  double* ValueAddress() override { return &number_; }

 private:
  std::string value_;
  double number_;
};

class TLeftBracket : public TExprWord {
 public:
  explicit TLeftBracket(const std::string& name);
  int ResultKind() const override;
};

class TRightBracket : public TExprWord {
 public:
  explicit TRightBracket(const std::string& name);
  int ResultKind() const override;
};

class TComma : public TExprWord {
 public:
  explicit TComma(const std::string& name);
  int ResultKind() const override;
};

class TFunction : public TExprWord {
 public:
  // Raises EParserException "Too many arguments" above 4 arguments.
  TFunction(const std::string& name, int precedence, bool isOperator, int argumentCount,
            TExprProc proc);
  TFunction(const std::string& name, int argumentCount, TExprProc proc);
  bool IsOperator() const override;
  int ArgumentCount() const override;
  int Precedence() const { return precedence_; }
  TFunction* AsFunction() override { return this; }

 private:
  uint8_t isOperator_;
  int32_t precedence_;
  int32_t argumentCount_;
};

// A function whose value may change between calls with equal arguments
// (random numbers): never folded at compile time.
class TVaryingFunction : public TFunction {
 public:
  using TFunction::TFunction;
  bool IsVarying() const override;
};

class TBooleanFunction : public TFunction {
 public:
  using TFunction::TFunction;
  int ResultKind() const override;
};

// An ordinal comparison of two string words: "=", ">", "<", ">=", "<=".
class TLogicalStringOper : public TExprWord {
 public:
  // Raises EParserException "<op> is not a valid string operand" for any
  // other operator text.
  TLogicalStringOper(const std::string& op, TExprWord* left, TExprWord* right);
  int ResultKind() const override;
  uint8_t OperatorCode() const { return code_; }
  TExprWord* Left() const { return left_; }
  TExprWord* Right() const { return right_; }
  // The comparison itself: 1 when the relation holds, else 0.
  double Compare() const;

 private:
  uint8_t code_;
  TExprWord* left_;
  TExprWord* right_;
};

// Token and argument lists: point at words owned elsewhere.
class TExprCollection : public TNoOwnerCollection {
 public:
  using TNoOwnerCollection::TNoOwnerCollection;
  TExprWord* Word(int index) const { return static_cast<TExprWord*>(At(index)); }
};

// The word list: owns its words, sorted by name (ordinal, case-sensitive;
// names are stored in lower case).
class TExpressList : public TSortedCollection {
 public:
  using TSortedCollection::Insert;
  using TSortedCollection::TSortedCollection;
  int Compare(const void* key1, const void* key2) const override;
  const void* KeyOf(const TOObject* item) const override;  // the word's name (a std::string)
  // Inserts a word as TSortedCollection::Insert does: the list takes it
  // unless its name is present, and then Word stays with the caller.
  TExprWord* Insert(std::unique_ptr<TExprWord>& Word);
  // The word of that (lower-case) name, or null.
  TExprWord* Find(const std::string& name) const;
  TExprWord* Word(int index) const { return static_cast<TExprWord*>(At(index)); }
};

}  // namespace qv
