// Expression words and the collections that hold them.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "engine/ParseClass.h"

namespace qv {
namespace {

// Counts how many of its instances are alive, to see who frees what.
struct TCounted : TOObject {
  explicit TCounted(int& alive) : Alive(alive) { ++Alive; }
  ~TCounted() override { --Alive; }
  int& Alive;
};

TEST(ExprCollections, OwningListsFreeTheirItemsOthersDoNot) {
  int alive = 0;
  {
    TOCollection owner(4);
    TNoOwnerCollection view(4);
    for (int i = 0; i < 3; ++i) {
      auto item = std::make_unique<TCounted>(alive);
      view.Add(item.get());
      owner.Add(std::move(item));
    }
    EXPECT_EQ(alive, 3);
    view.Clear();
    EXPECT_EQ(alive, 3);
    EXPECT_EQ(view.Count(), 0);
    owner.AtFree(0);
    EXPECT_EQ(alive, 2);
    // Taken out without being freed: the caller owns it now.
    std::unique_ptr<TOObject> taken = owner.AtDelete(0);
    EXPECT_EQ(owner.Count(), 1);
    EXPECT_EQ(alive, 2);
    taken.reset();
    EXPECT_EQ(alive, 1);
    view.Add(owner.At(0));
  }  // the non-owning view goes first, then the owner frees the rest
  EXPECT_EQ(alive, 0);
  TOCollection list(0);
  EXPECT_THROW(list.At(0), Exception);
  EXPECT_THROW(list.AtDelete(0), Exception);
}

TEST(ExprCollections, WordListIsSortedByNameAndKeepsTheFirstOfAName) {
  TExpressList words(30);
  double first = 1, second = 2;
  std::unique_ptr<TExprWord> a = std::make_unique<TDoubleVariable>("Beta", &first);
  TExprWord* beta = words.Insert(a);
  EXPECT_EQ(a, nullptr);  // taken by the list
  for (const char* name : {"alpha", "gamma"}) {
    std::unique_ptr<TExprWord> w = std::make_unique<TDoubleConstant>(name, 1.0);
    words.Insert(w);
  }
  std::unique_ptr<TExprWord> dup = std::make_unique<TDoubleVariable>("beta", &second);
  EXPECT_EQ(words.Insert(dup), nullptr);  // not inserted: the caller keeps it
  ASSERT_NE(dup, nullptr);
  EXPECT_EQ(words.Count(), 3);
  EXPECT_EQ(words.Find("beta"), beta);
  EXPECT_EQ(words.IndexOf(dup.get()), -1);
  EXPECT_EQ(words.Word(0)->Name(), "alpha");
  EXPECT_EQ(words.Word(1)->Name(), "beta");
  EXPECT_EQ(words.Word(2)->Name(), "gamma");
  EXPECT_EQ(words.Find("Beta"), nullptr);  // keys are lower case, compared ordinally

  // The old entry leaves the list without being freed: back to the caller.
  TExprWord* replacement = dup.get();
  std::unique_ptr<TOObject> old = words.InsertReplacing(std::move(dup));
  EXPECT_EQ(old.get(), beta);
  EXPECT_EQ(words.Find("beta"), replacement);

  // With duplicates, IndexOf finds the very object among equal keys.
  TExpressList dups(4);
  dups.Duplicates = true;
  std::unique_ptr<TExprWord> d1 = std::make_unique<TDoubleConstant>("k", 1.0);
  std::unique_ptr<TExprWord> d2 = std::make_unique<TDoubleConstant>("k", 2.0);
  TExprWord* k1 = dups.Insert(d1);
  TExprWord* k2 = dups.Insert(d2);
  EXPECT_EQ(dups.Count(), 2);
  EXPECT_NE(dups.IndexOf(k1), dups.IndexOf(k2));
  EXPECT_GE(dups.IndexOf(k1), 0);
  EXPECT_GE(dups.IndexOf(k2), 0);
}

TEST(ExprWords, KindsAddressesAndValues) {
  TDoubleConstant c("C", "2.5");
  EXPECT_EQ(c.Name(), "c");
  EXPECT_EQ(*c.ValueAddress(), 2.5);
  EXPECT_TRUE(c.IsValueLike());
  EXPECT_FALSE(c.IsVarying());
  EXPECT_THROW(TDoubleConstant("bad", "2,5x"), Exception);

  TGeneratedVariable g("G");
  EXPECT_TRUE(std::isnan(*g.ValueAddress()));
  EXPECT_TRUE(g.IsVarying());
  EXPECT_EQ(g.ResultKind(), rkReal);
  g.SetKind(rkString);
  g.SetTextValue("t");
  EXPECT_EQ(g.ResultKind(), rkString);
  EXPECT_EQ(g.TextValue(), "t");

  double v = 4;
  TDoubleVariable var("v", &v);
  EXPECT_EQ(var.ValueAddress(), &v);
  EXPECT_TRUE(var.IsVarying());

  EXPECT_EQ(TBooleanConstant("", 1).ResultKind(), rkBoolean);
  EXPECT_EQ(TStringConstant("'abc'").TextValue(), "abc");
  EXPECT_EQ(TStringConstant("'abc").TextValue(), "'abc");
  EXPECT_EQ(TStringConstant("'abc'").ResultKind(), rkString);

  EXPECT_THROW(TFunction("f", 0, false, 5, nullptr), EParserException);
  try {
    TFunction("f", 0, false, 5, nullptr);
  } catch (const EParserException& e) {
    EXPECT_EQ(e.Message(), "Too many arguments");
  }
  TFunction op("+", 40, true, 2, nullptr);
  EXPECT_TRUE(op.IsOperator());
  EXPECT_EQ(op.ArgumentCount(), 2);
  EXPECT_EQ(op.Precedence(), 40);
  EXPECT_FALSE(op.IsValueLike());
}

TEST(ExprWords, StringComparisonIsOrdinal) {
  TStringConstant lowA("'a'"), lowB("'b'"), upB("'B'");
  const struct {
    const char* Op;
    TExprWord* Left;
    TExprWord* Right;
    double Result;
  } cases[] = {
      {">", &lowB, &lowA, 1}, {">", &upB, &lowA, 0},   {"=", &lowA, &lowA, 1},
      {"<", &upB, &lowA, 1},  {">=", &lowA, &lowB, 0}, {"<=", &lowA, &lowA, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Op);
    EXPECT_EQ(TLogicalStringOper(c.Op, c.Left, c.Right).Compare(), c.Result);
  }
  try {
    TLogicalStringOper("<>", &lowA, &lowB);
    ADD_FAILURE();
  } catch (const EParserException& e) {
    EXPECT_EQ(e.Message(), "<> is not a valid string operand");
  }
}

}  // namespace
}  // namespace qv
