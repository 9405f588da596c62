// The packed prepared text: the lines as given, a line put in place of
// another, inserts and deletes that keep the lines put, and the list's
// index error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/WorkLines.h"

namespace qv {
namespace {

TEST(WorkLines, HoldTheLinesAsGivenAndTheLinesPutLater) {
  const std::vector<std::string> given = {"title t;", "", "  data;", "1 2 // a note", "", "3 4"};
  TWorkLines w(given);
  EXPECT_EQ(w.Count(), 6);
  EXPECT_EQ(w.ToVector(), given);
  EXPECT_EQ(w.StringAt(3), "1 2 // a note");
  EXPECT_EQ(w.StringAt(4), "");

  // A line put stays where it was; its neighbours keep their text.
  w.Put(1, "variables x, y;");
  EXPECT_EQ(w[1], "variables x, y;");
  EXPECT_EQ(w.StringAt(1), "variables x, y;");
  EXPECT_EQ(w[0], "title t;");
  EXPECT_EQ(w[2], "  data;");

  // Inserting and deleting move the lines put with the others.
  w.Insert(0, "// first");
  EXPECT_EQ(w.ToVector(), (std::vector<std::string>{"// first", "title t;", "variables x, y;",
                                                    "  data;", "1 2 // a note", "", "3 4"}));
  w.Delete(1);
  w.Add("5 6");
  EXPECT_EQ(w.ToVector(), (std::vector<std::string>{"// first", "variables x, y;", "  data;",
                                                    "1 2 // a note", "", "3 4", "5 6"}));
  w.Clear();
  EXPECT_EQ(w.Count(), 0);
}

TEST(WorkLines, AnIndexOutsideTheListIsTheListsError) {
  TWorkLines w({"a", "b"});
  for (int bad : {-1, 2}) {
    EXPECT_THROW(w.Get(bad), EStringListError) << bad;
    EXPECT_THROW(w.Put(bad, "x"), EStringListError) << bad;
    EXPECT_THROW(w.Delete(bad), EStringListError) << bad;
  }
  EXPECT_THROW(w.Insert(3, "x"), EStringListError);
  EXPECT_EQ(w.ToVector(), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace qv
