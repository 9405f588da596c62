// Item-ID list arithmetic, the ID-list array, validation of outside lists,
// the sorted list of item-ID lists and the path routines.
#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "controls/UiShellUtils.h"

namespace qv {
namespace {

TPidl chain(std::initializer_list<std::string> names) {
  TPidl p = MakeRootId(kRootFileSystem, "/");
  for (const std::string& n : names) p = JoinPidls(p.Get(), MakeFileId(n, true, false).Get());
  return p;
}

TEST(ShellPidl, SizesCountsAndJoin) {
  EXPECT_EQ(PidlSize(nullptr), 0u);
  EXPECT_EQ(PidlCount(nullptr), 0);
  EXPECT_EQ(TPidl::Empty().Size(), 2u);
  EXPECT_TRUE(TPidl::Empty().IsEmptyList());

  const TPidl a = MakeFileId("abc", false, false);  // 2 + 1 + 3, plus terminator
  EXPECT_EQ(a.Size(), 8u);
  EXPECT_EQ(PidlIdSize(a.Get()), 6);
  const TPidl b = MakeFileId("de", true, true);
  const TPidl j = JoinPidls(a.Get(), b.Get());
  EXPECT_EQ(j.Size(), a.Size() - 2 + b.Size() - 2 + 2);
  EXPECT_EQ(PidlCount(j.Get()), 2);
  EXPECT_EQ(PidlPayload(PidlLast(j.Get())), std::string("\x35") + "de");
  // A null side counts as empty.
  EXPECT_EQ(JoinPidls(nullptr, a.Get()), a);
  EXPECT_EQ(JoinPidls(nullptr, nullptr), TPidl::Empty());
  EXPECT_EQ(CopyPidl(j.Get()), j);
  EXPECT_TRUE(CopyPidl(nullptr).IsNull());
}

TEST(ShellPidl, IdListArray) {
  const TPidl p = chain({"a", "b"});  // three IDs
  TUiIdListArray arr(p.Get());
  ASSERT_EQ(arr.Count(), 3);
  const TPidl last = arr.Item(2);
  EXPECT_EQ(PidlCount(last.Get()), 1);
  EXPECT_EQ(last, MakeFileId("b", true, false));
  EXPECT_TRUE(arr.Item(3).IsNull());
  EXPECT_TRUE(arr.Item(-1).IsNull());
  EXPECT_EQ(arr.Parent(1), PidlPrefix(p.Get(), 2));
  EXPECT_EQ(arr.Parent(3), TPidl::Empty());
  EXPECT_TRUE(arr.Parent(4).IsNull());

  const TPidl empty = TPidl::Empty();
  TUiIdListArray none(empty.Get());
  EXPECT_EQ(none.Count(), 0);
  EXPECT_EQ(none.Item(0), TPidl::Empty());
  EXPECT_EQ(TUiIdListArray(nullptr).Count(), 0);
  EXPECT_TRUE(TUiIdListArray(nullptr).Item(0).IsNull());
}

TEST(ShellPidl, CompareNullEmptyAndItems) {
  const TPidl empty = TPidl::Empty();
  const TPidl x = chain({"x"});
  const TPidl y = chain({"y"});
  EXPECT_EQ(ComparePidls(nullptr, nullptr), 0);
  EXPECT_EQ(ComparePidls(nullptr, empty.Get()), -1);
  EXPECT_EQ(ComparePidls(empty.Get(), empty.Get()), 0);
  EXPECT_EQ(ComparePidls(empty.Get(), x.Get()), -1);
  EXPECT_EQ(ComparePidls(x.Get(), CopyPidl(x.Get()).Get()), 0);
  EXPECT_LT(ComparePidls(x.Get(), y.Get()), 0);
  EXPECT_GT(ComparePidls(y.Get(), x.Get()), 0);
  // A list that is no item of ours cannot be compared.
  const TPidl junk = TPidl::MakeId("\x77junk");
  EXPECT_EQ(ComparePidls(junk.Get(), x.Get()), kNotComparable);
}

TEST(ShellPidl, ValidationOfOutsideBytes) {
  struct TCase {
    const char* Name;
    std::string Bytes;
    bool Valid;
    std::size_t Used;
  };
  const std::string id = MakeFileId("ab", false, false).Bytes();  // 05 00 32 61 62 00 00
  const TCase cases[] = {
      {"empty list", std::string(2, '\0'), true, 2},
      {"one id", id, true, 7},
      {"trailing bytes", id + "zz", true, 7},
      {"no bytes", std::string(), false, 0},
      {"one byte", std::string(1, '\0'), false, 0},
      {"no terminator", id.substr(0, 5), false, 0},
      {"half terminator", id.substr(0, 6), false, 0},
      {"count past the end", std::string("\x40\x00\x32", 3) + "ab" + std::string(2, '\0'), false,
       0},
      {"count below three", std::string("\x02\x00\x00\x00", 4), false, 0},
      {"count of one", std::string("\x01\x00\x00\x00", 4), false, 0},
  };
  for (const TCase& c : cases) {
    std::size_t used = 0;
    EXPECT_EQ(ValidatePidl(c.Bytes.data(), c.Bytes.size(), &used), c.Valid) << c.Name;
    if (c.Valid) {
      EXPECT_EQ(used, c.Used) << c.Name;
    }
  }
}

TEST(ShellPidlList, SortedDuplicateModes) {
  TUiPidlList list;
  list.SetSorted(true);
  list.Duplicates = TUiPidlList::dupIgnore;
  const TPidl a = MakeFileId("a", false, false);
  const TPidl b = MakeFileId("b", false, false);
  EXPECT_EQ(list.Add(b), 0);
  EXPECT_EQ(list.Add(a), 0);
  EXPECT_EQ(list.Add(b), 1);  // the existing entry
  EXPECT_EQ(list.Count(), 2);

  list.Duplicates = TUiPidlList::dupError;
  try {
    list.Add(a);
    FAIL() << "no exception";
  } catch (const EUiPidlListError& e) {
    EXPECT_EQ(e.Message(), "TUiPidlList: Duplicate PIDL");
  }
  EXPECT_EQ(list.Count(), 2);

  list.Duplicates = TUiPidlList::dupAccept;
  list.Add(a);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.IndexOf(b.Get()), 2);
  EXPECT_EQ(list.IndexOf(MakeFileId("c", false, false).Get()), -1);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 2);
}

TEST(ShellPidlList, ByteOrderAndCompareFolder) {
  // Without a folder: the first differing byte, then the size.
  TUiPidlList bytes;
  for (const char* n : {"b", "ab", "a", "B"}) bytes.Add(MakeFileId(n, false, false));
  EXPECT_EQ(bytes.IndexOf(MakeFileId("ab", false, false).Get()), 1);  // unsorted: insertion order
  bytes.SetSorted(true);
  std::vector<std::string> order;
  for (int i = 0; i < bytes.Count(); ++i)
    order.push_back(std::string(PidlPayload(bytes.Pidls(i)).substr(1)));
  // Sizes differ first in the count byte: one-letter names come first.
  EXPECT_EQ(order, (std::vector<std::string>{"B", "a", "b", "ab"}));

  // With a folder: its name order (natural, case-insensitive).
  TUiPidlList named;
  named.SetCompareFolder(std::make_shared<TFileSystemFolder>(TPidl::Empty(), "/"));
  for (const char* n : {"file10", "File2", "file1"}) named.Add(MakeFileId(n, false, false));
  named.SetSorted(true);
  order.clear();
  for (int i = 0; i < named.Count(); ++i)
    order.push_back(std::string(PidlPayload(named.Pidls(i)).substr(1)));
  EXPECT_EQ(order, (std::vector<std::string>{"file1", "File2", "file10"}));
}

TEST(ShellPidlList, ReferringEntriesDoNotOwn) {
  const TPidl a = MakeFileId("a", false, false);
  int object = 7;
  TUiPidlList list;
  list.AddObject(a.Get(), &object);
  EXPECT_EQ(list.Pidls(0), a.Get());
  EXPECT_EQ(list.Objects(0), &object);
  EXPECT_TRUE(list.TakePidl(0).IsNull());
  list.Clear();
  EXPECT_EQ(a.Size(), 6u);  // untouched
}

TEST(ShellPathRoutines, AppendDelimiterAndCopyChar) {
  EXPECT_EQ(AppendDelimiter("C:", '\\'), "C:\\");
  EXPECT_EQ(AppendDelimiter("C:\\", '\\'), "C:\\");
  EXPECT_EQ(AppendDelimiter("", '\\'), "");
  EXPECT_EQ(AppendDelimiter("/tmp", '/'), "/tmp/");

  const std::string s = "a\xC3\xA9\xE2\x82\xAC\xFF";  // a, e-acute, euro, a stray byte
  std::string out;
  std::size_t i = 0;
  std::vector<std::size_t> steps;
  while (i < s.size()) {
    CopyCharAt(s, i, out);
    steps.push_back(i);
  }
  EXPECT_EQ(out, s);
  EXPECT_EQ(steps, (std::vector<std::size_t>{1, 3, 6, 7}));
}

}  // namespace
}  // namespace qv
