// The shell locator: its stream bytes, damaged streams, the change
// callback of SetPidl, SetPath and Assign, and the "Pidl" property inside a
// component stream.
#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "controls/UiShellLocator.h"
#include "platform/core/Classes.h"
#include "platform/core/ComponentStream.h"

namespace qv {
namespace {

using test::TTempTree;

std::string bytesOf(const TUiShellLocator& l) {
  TMemoryStream ms;
  l.WriteData(ms);
  return ms.Bytes();
}

TEST(ShellLocator, StreamBytes) {
  // Two IDs of 20 bytes, plus the terminator.
  TPidl p = JoinPidls(MakeRootId(kRootFileSystem, "/").Get(),
                      MakeFileId("twelve-chars", true, false).Get());
  ASSERT_EQ(p.Size(), 22u);
  TUiShellLocator l;
  l.SetPidl(p.Get());
  const std::string b = bytesOf(l);
  ASSERT_EQ(b.size(), 1u + 4u + 22u);
  EXPECT_EQ(b.substr(0, 5), std::string("\x00\x16\x00\x00\x00", 5));
  EXPECT_EQ(b.substr(5), p.Bytes());

  TUiShellLocator s;
  s.SetSpecialFolder(CSIDL_DRIVES);
  EXPECT_EQ(bytesOf(s), std::string("\x01\x11", 2));

  TUiShellLocator back;
  TMemoryStream ms(b);
  back.ReadData(ms);
  EXPECT_EQ(back.Kind(), 0);
  EXPECT_TRUE(back.Equals(l));

  // No list at all writes nothing (the property is not stored).
  TUiShellLocator none;
  EXPECT_FALSE(none.HasData());
  EXPECT_TRUE(s.HasData());
}

TEST(ShellLocator, ReadingTheDesktopAndDamagedStreams) {
  TUiShellLocator l;
  TMemoryStream zero(std::string(5, '\0'));
  l.ReadData(zero);
  EXPECT_EQ(l.Kind(), 1);
  EXPECT_EQ(l.SpecialFolder(), CSIDL_DESKTOP);
  EXPECT_EQ(TPidl::Copy(l.Pidl()), TPidl::Empty());

  struct TCase {
    const char* Name;
    std::string Bytes;
    const char* Message;
  };
  const std::string id = MakeFileId("ab", false, false).Bytes();
  const TCase cases[] = {
      {"empty", "", "Stream read error"},
      {"kind 1 without its number", "\x01", "Stream read error"},
      {"short length", std::string("\x00\x05\x00", 3), "Stream read error"},
      {"length past the end", std::string("\x00\x10\x00\x00\x00", 5) + id, "Stream read error"},
      {"huge length", std::string("\x00\xFF\xFF\xFF\x7F", 5), "Stream read error"},
      {"negative length", std::string("\x00\xFF\xFF\xFF\xFF", 5), "Invalid stream format"},
      {"broken chain", std::string("\x00\x04\x00\x00\x00\x01\x00\x00\x00", 9),
       "Invalid stream format"},
      {"bytes after the terminator", std::string("\x00\x09\x00\x00\x00", 5) + id + "xx",
       "Invalid stream format"},
  };
  for (const TCase& c : cases) {
    TUiShellLocator x;
    TMemoryStream ms(c.Bytes);
    try {
      x.ReadData(ms);
      ADD_FAILURE() << c.Name;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), c.Message) << c.Name;
    }
  }
}

TEST(ShellLocator, ChangeCallbackOfPidlAndPath) {
  TTempTree t;
  t.Dir("a");
  t.Dir("b");
  int fired = 0;
  TUiShellLocator l([&] { ++fired; });

  l.SetPath(t.Path("missing"));  // no list before, none after
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(l.Pidl(), nullptr);

  l.SetPath(t.Path("a"));
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(l.Path(), t.Path("a"));
  l.SetPath(t.Path("a") + "/");  // the same folder
  EXPECT_EQ(fired, 1);
  l.SetPath(t.Path("b"));
  EXPECT_EQ(fired, 2);
  l.SetPath(t.Path("missing"));  // a list before: it fires and the list goes
  EXPECT_EQ(fired, 3);
  EXPECT_EQ(l.Pidl(), nullptr);

  l.SetSpecialFolder(CSIDL_DESKTOP);
  EXPECT_EQ(fired, 4);
  l.SetPath(t.Path("missing"));  // kind 1 before
  EXPECT_EQ(fired, 5);
  EXPECT_EQ(l.Kind(), 0);

  // The desktop leaves no list.
  l.SetPidl(TPidl::Empty().Get());
  EXPECT_EQ(l.Pidl(), nullptr);
  EXPECT_EQ(fired, 5);
}

TEST(ShellLocator, AssignAndEquality) {
  int fired = 0;
  TUiShellLocator target([&] { ++fired; });
  target.SetSpecialFolder(17);
  fired = 0;
  TUiShellLocator five;
  five.SetSpecialFolder(5);
  target.Assign(&five);
  EXPECT_EQ(target.SpecialFolder(), 5);
  EXPECT_EQ(fired, 1);
  target.Assign(&five);
  EXPECT_EQ(fired, 1);
  EXPECT_TRUE(target.Equals(five));

  TTempTree t;
  TUiShellLocator byList;
  byList.SetPath(t.Root);
  target.Assign(&byList);
  EXPECT_EQ(fired, 2);
  EXPECT_EQ(target.Kind(), 0);
  EXPECT_EQ(target.Path(), t.Root);
  EXPECT_FALSE(target.Equals(five));

  target.Assign(nullptr);
  EXPECT_EQ(fired, 3);
  EXPECT_EQ(target.Pidl(), nullptr);
  EXPECT_EQ(target.Kind(), 0);
}

// A component with a locator as a published object property.
struct THolder {
  std::string Name = "List1";
  TUiShellLocator Folder;
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<THolder>("TShellLocatorHolder")
            .Component()
            .Property("Name", TypeInfoComponentName(), &THolder::Name, &THolder::Name)
            .Stored(false)
            .Property("Folder", TUiShellLocator::ClassInfo(),
                      [](THolder& h) -> TUiShellLocator& { return h.Folder; })
            .Register();
    return info;
  }
};

TEST(ShellLocator, PidlPropertyInAComponentStream) {
  THolder::ClassInfo();
  TTempTree t;
  THolder h;
  h.Folder.SetPath(t.Root);
  TMemoryStream ms;
  TWriter(ms).WriteRootComponent(MakeObjectRef(&h));
  EXPECT_NE(ms.Bytes().find("Folder.Pidl"), std::string::npos);

  THolder back;
  ms.SetPosition(0);
  TReader(ms).ReadRootComponent(MakeObjectRef(&back));
  EXPECT_EQ(back.Folder.Path(), t.Root);

  // A folder on the desktop is not written at all.
  THolder empty;
  TMemoryStream none;
  TWriter(none).WriteRootComponent(MakeObjectRef(&empty));
  EXPECT_EQ(none.Bytes().find("Pidl"), std::string::npos);
}

}  // namespace
}  // namespace qv
