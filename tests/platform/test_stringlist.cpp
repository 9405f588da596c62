// String lists: order, sorting, duplicates, text and files, change events.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/core/Classes.h"

using namespace qv;

namespace {

std::string tempDir() {
  const std::string d = std::string(QV_BINARY_DIR) + "/stringlist-tmp/";
  std::filesystem::create_directories(d);
  return d;
}

void expectListError(const std::function<void()>& call, const std::string& message) {
  try {
    call();
    ADD_FAILURE() << "no error, expected: " << message;
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

TEST(StringListTest, BasicEditingAndIndexErrors) {
  TStringList l;
  EXPECT_EQ(l.Add("b"), 0);
  EXPECT_EQ(l.Add("a"), 1);
  l.Insert(0, "c");
  EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"c", "b", "a"}));
  l.Put(1, "B");
  l.Exchange(0, 2);
  l.Move(0, 2);
  EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"B", "c", "a"}));
  EXPECT_EQ(l.IndexOf("C"), 1);  // case-insensitive by default
  l.SetCaseSensitive(true);
  EXPECT_EQ(l.IndexOf("C"), -1);
  l.Delete(0);
  EXPECT_EQ(l.Count(), 2);

  expectListError([&] { l.Get(2); }, "List index out of bounds (2)");
  expectListError([&] { l.Delete(-1); }, "List index out of bounds (-1)");
  expectListError([&] { l.Insert(5, "x"); }, "List index out of bounds (5)");
  expectListError([&] { l.Put(7, "x"); }, "List index out of bounds (7)");
  // The list is unchanged by the failed calls.
  EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"c", "a"}));

  int tag = 5;
  l.AddObject("o", &tag);
  EXPECT_EQ(l.Objects(2), &tag);
  EXPECT_EQ(l.IndexOfObject(&tag), 2);
  l.Put(2, "p");
  EXPECT_EQ(l.Objects(2), &tag) << "replacing the text keeps the object";
}

TEST(StringListTest, SortedListsAndTheDuplicatesPolicy) {
  struct Case {
    TDuplicates dup;
    bool caseSensitive;
    std::vector<std::string> expected;
    bool raises;
  } cases[] = {
      {dupIgnore, false, {"apple", "b", "c"}, false},
      {dupAccept, false, {"APPLE", "apple", "b", "c"}, false},  // inserted before its equal
      {dupError, false, {"apple", "b", "c"}, true},
      {dupIgnore, true, {"APPLE", "apple", "b", "c"}, false},
  };
  for (const auto& c : cases) {
    TStringList l;
    l.SetDuplicates(c.dup);
    l.SetCaseSensitive(c.caseSensitive);
    l.SetSorted(true);
    l.Add("c");
    l.Add("apple");
    l.Add("b");
    bool raised = false;
    try {
      const int i = l.Add("APPLE");
      if (c.dup == dupIgnore && !c.caseSensitive) {
        EXPECT_EQ(i, 0) << "ignored duplicates return the existing index";
      }
    } catch (const EStringListError& e) {
      raised = true;
      EXPECT_EQ(e.Message(), "String list does not allow duplicates");
    }
    EXPECT_EQ(raised, c.raises);
    EXPECT_EQ(l.ToVector(), c.expected) << "dup=" << c.dup << " cs=" << c.caseSensitive;
  }

  TStringList s;
  s.SetSorted(true);
  s.Add("m");
  expectListError([&] { s.Insert(0, "a"); }, "Operation not allowed on sorted list");
  expectListError([&] { s.Put(0, "a"); }, "Operation not allowed on sorted list");
  int index = -1;
  EXPECT_FALSE(s.Find("z", index));
  EXPECT_EQ(index, 1);
  EXPECT_TRUE(s.Find("M", index));
  EXPECT_EQ(index, 0);

  // Turning Sorted on sorts the existing lines.
  TStringList u(std::vector<std::string>{"b", "C", "a"});
  u.SetSorted(true);
  EXPECT_EQ(u.ToVector(), (std::vector<std::string>{"a", "b", "C"}));
}

TEST(StringListTest, TextJoinsWithCrLfAndSplitsAtAnyBreak) {
  TStringList l;
  l.SetText("one\r\ntwo\nthree\rfour");
  EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"one", "two", "three", "four"}));
  EXPECT_EQ(l.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
  struct Case {
    const char* text;
    size_t lines;
  } cases[] = {{"", 0}, {"\r\n", 1}, {"a\r\n", 1}, {"a\r\n\r\nb", 3}, {"a\n\n", 2}, {"a\r\r", 2}};
  for (const auto& c : cases) {
    l.SetText(c.text);
    EXPECT_EQ(static_cast<size_t>(l.Count()), c.lines)
        << testing::PrintToString(std::string(c.text));
  }
}

TEST(StringListTest, FilesKeepTheirLineBreakStyle) {
  const std::string dir = tempDir();
  const char* styles[] = {"\r\n", "\n", "\r"};
  for (const char* br : styles) {
    const std::string original = std::string("first") + br + "second" + br + br + "fourth" + br;
    const std::string path = dir + "breaks.txt";
    writeFileAtomic(path, original);
    TStringList l;
    l.LoadFromFile(path);
    EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"first", "second", "", "fourth"}));
    EXPECT_EQ(l.LineBreak, br);
    l.Add("fifth");
    l.SaveToFile(path);
    EXPECT_EQ(readFileBytes(path), original + "fifth" + br);
  }
  // Windows-1252 text is read as such; a UTF-8 byte-order mark is dropped.
  writeFileAtomic(dir + "legacy.txt", "caf\xE9\r\n");
  writeFileAtomic(dir + "bom.txt", "\xEF\xBB\xBFx\n");
  TStringList l;
  l.LoadFromFile(dir + "legacy.txt");
  EXPECT_EQ(l[0], "caf\xC3\xA9");
  l.LoadFromFile(dir + "bom.txt");
  EXPECT_EQ(l[0], "x");
  // An unreadable file raises and leaves the list as it was.
  try {
    l.LoadFromFile(dir + "missing.txt");
    ADD_FAILURE();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(),
              "Cannot open file \"" + dir + "missing.txt\". No such file or directory");
  }
  EXPECT_EQ(l.ToVector(), std::vector<std::string>{"x"});
}

TEST(StringListTest, ChangeEventsAndUpdates) {
  TStringList l;
  std::string log;
  l.OnChanging = [&] { log += "<"; };
  l.OnChange = [&] { log += ">"; };
  l.Add("a");
  l.Delete(0);
  EXPECT_EQ(log, "<><>");
  log.clear();
  l.BeginUpdate();
  l.BeginUpdate();
  l.Add("x");
  l.Add("y");
  l.EndUpdate();
  EXPECT_EQ(log, "<") << "nothing fires until the outermost EndUpdate";
  l.EndUpdate();
  EXPECT_EQ(log, "<>");
  log.clear();
  l.SetText("p\r\nq\r\nr");
  EXPECT_EQ(log, "<>") << "SetText changes the list as one update";
  log.clear();
  l.Clear();
  l.Clear();  // already empty: no events
  EXPECT_EQ(log, "<>");
}

TEST(StringListTest, AnUpdateThatFailsHalfwayIsClosed) {
  TStringList l;
  int changes = 0;
  l.OnChange = [&] { ++changes; };
  l.Add("a");
  l.Add("b");
  changes = 0;
  // A bad target index: the move raises after its update was opened.
  EXPECT_THROW(l.Move(0, 7), Exception);
  EXPECT_EQ(l.UpdateCount(), 0);
  EXPECT_EQ(changes, 1) << "the update closes and reports its change";
  l.Add("c");
  EXPECT_EQ(changes, 2) << "changes are reported again after the failed update";
  {
    TStringsUpdate update(l);
    l.Add("d");
    EXPECT_EQ(l.UpdateCount(), 1);
    EXPECT_EQ(changes, 2);
  }
  EXPECT_EQ(l.UpdateCount(), 0);
  EXPECT_EQ(changes, 3);
}

TEST(StringListTest, NamesValuesAndDelimitedText) {
  TStringList l;
  l.Add("Width=10");
  l.Add("Caption=a=b");
  l.Add("plain");
  EXPECT_EQ(l.Names(0), "Width");
  EXPECT_EQ(l.Names(2), "");
  EXPECT_EQ(l.Values("caption"), "a=b");
  EXPECT_EQ(l.Values("missing"), "");
  l.SetValue("width", "20");
  EXPECT_EQ(l[0], "width=20");
  l.SetValue("New", "1");
  EXPECT_EQ(l[3], "New=1");
  l.SetValue("Caption", "");
  EXPECT_EQ(l.IndexOfName("Caption"), -1);

  TStringList d;
  d.Add("a b");
  d.Add("c");
  d.Add("say \"hi\"");
  d.Add("");
  EXPECT_EQ(d.CommaText(), "\"a b\",c,\"say \"\"hi\"\"\",");
  TStringList back;
  back.SetCommaText(d.CommaText());
  EXPECT_EQ(back.ToVector(), d.ToVector());
  back.SetCommaText("x y, z");  // blanks separate unless quoted
  EXPECT_EQ(back.ToVector(), (std::vector<std::string>{"x", "y", "z"}));
  back.SetCommaText(std::string("a\0b", 3));  // a NUL byte is a blank, not an endless item
  EXPECT_EQ(back.ToVector(), (std::vector<std::string>{"a", "b"}));
  back.Delimiter = ';';
  back.StrictDelimiter = true;
  back.SetDelimitedText("a b;c");
  EXPECT_EQ(back.ToVector(), (std::vector<std::string>{"a b", "c"}));
}

TEST(StringListTest, AssignCopiesLinesObjectsAndSettings) {
  TStringList a;
  a.SetSorted(true);
  a.SetDuplicates(dupError);
  int o = 0;
  a.AddObject("k", &o);
  a.Add("b");
  TStringList b;
  b.Assign(a);
  EXPECT_TRUE(b.Equals(a));
  EXPECT_TRUE(b.Sorted());
  EXPECT_EQ(b.Duplicates(), dupError);
  EXPECT_EQ(b.Objects(1), &o);
  EXPECT_THROW(b.Add("K"), EStringListError) << "the copy keeps refusing duplicates";
  TStringList c(std::vector<std::string>{"x", "y"});
  c.AddStrings(c);  // adding a list to itself copies it once
  EXPECT_EQ(c.ToVector(), (std::vector<std::string>{"x", "y", "x", "y"}));
}

}  // namespace
