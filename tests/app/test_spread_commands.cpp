// The file commands of the data sheet window: open (by extension, with the
// modified question), save and save as, new, drop, append, the close
// question, the caption and the recent files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "SpreadTestSupport.h"
#include "app/spread/SpreadDocument.h"

using namespace qv;
using qv::test::DataFile;
using qv::test::OutFile;
using qv::test::TreeShape;

namespace {

class SpreadCommands : public test::SpreadTest {
 protected:
  // A sheet document of two worksheets, "one" in Sheet2's A1.
  std::string MakeSsf(const std::string& name) {
    const std::string file = OutFile("cmd", name);
    TSpreadDocument d;
    d.NewDocument(2);
    d.Worksheet(2)->SetCellText(0, 0, "one");
    d.SaveSsf(file);
    return file;
  }
  std::vector<std::string> Kinds() const {
    std::vector<std::string> out;
    for (const auto& e : dialogs.Log()) out.push_back(e.Kind);
    return out;
  }
};

}  // namespace

TEST_F(SpreadCommands, OpenReadsByExtensionAndNamesTheFileInTheCaption) {
  const std::string ssf = MakeSsf("Mixed Case.SSF");
  TSpreadDocument doc;
  doc.NewDocument(3);
  dialogs.PushFile(ssf);
  ASSERT_TRUE(doc.OpenCommand());
  EXPECT_EQ(dialogs.Log().front().Text, kSpreadOpenFilter);
  EXPECT_EQ(doc.Caption(), "Quorvane SpreadSheet - [" + ssf + "]");
  EXPECT_EQ(doc.FileName(), ssf);
  EXPECT_EQ(doc.WorksheetCount(), 2);
  EXPECT_EQ(doc.Worksheet(2)->GetCellText(0, 0), "one");
  EXPECT_EQ(doc.RecentFiles, std::vector<std::string>{ssf});
  EXPECT_FALSE(doc.Modified());
  // The same file again, unmodified: nothing is read.
  doc.Worksheet(2)->SetCellText(0, 0, "changed in memory");
  dialogs.PushFile(ssf);
  EXPECT_FALSE(doc.OpenCommand());
  EXPECT_EQ(doc.Worksheet(2)->GetCellText(0, 0), "changed in memory");

  const std::string csv = OutFile("cmd", "values.csv");
  writeFileAtomic(csv, "1;2\n3;4\n");
  ASSERT_TRUE(doc.OpenFile(csv));
  EXPECT_EQ(TreeShape(doc.Tree()), "Base Folder/-1 -Sheet1/1 ");
  EXPECT_EQ(doc.Worksheet(1)->GetCellText(1, 1), "4");
  EXPECT_EQ(doc.View().Selection(), TRect(0, 0, 2, 2));
  EXPECT_FALSE(doc.Modified());

  ASSERT_TRUE(doc.OpenFile(DataFile("peers_lo.xls")));
  EXPECT_EQ(doc.Tree().Item(1)->Text, "Messwerte");
}

TEST_F(SpreadCommands, TheModifiedQuestionGuardsOpenNewAndDrop) {
  const std::string ssf = MakeSsf("guarded.ssf");
  TSpreadDocument doc;
  doc.NewDocument(3);
  doc.SetModified(true);
  dialogs.PushResult(mrCancel);
  EXPECT_FALSE(doc.OpenCommand());
  EXPECT_EQ(Kinds(), std::vector<std::string>{"Message"});
  EXPECT_EQ(dialogs.Log()[0].Text, "Spread sheet has been modified, save it?");
  EXPECT_EQ(dialogs.Log()[0].Type, mtWarning);
  EXPECT_EQ(dialogs.Log()[0].Buttons, mbYesNoCancel);
  // Yes on an untitled document asks for a name; cancelling that stops.
  dialogs.ClearLog();
  dialogs.PushResult(mrYes);
  EXPECT_FALSE(doc.NewCommand());
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"Message", "Save"}));
  EXPECT_EQ(doc.WorksheetCount(), 3);
  EXPECT_TRUE(doc.Modified());
  // No: the document goes.
  dialogs.PushResult(mrNo);
  EXPECT_TRUE(doc.NewCommand());
  EXPECT_EQ(doc.Caption(), "Quorvane SpreadSheet - [Untitled]");
  EXPECT_FALSE(doc.Modified());
  // Dropping: each file after the question; Cancel ends the drop.
  doc.SetModified(true);
  dialogs.PushResult(mrNo);
  doc.DropFiles({ssf, MakeSsf("second.ssf")});
  EXPECT_EQ(doc.FileName(), OutFile("cmd", "second.ssf"));
  doc.SetModified(true);
  dialogs.PushResult(mrCancel);
  doc.DropFiles({ssf});
  EXPECT_EQ(doc.FileName(), OutFile("cmd", "second.ssf"));
}

TEST_F(SpreadCommands, AFailedOpenKeepsTheDocumentAndNeverLeadsASaveOverTheFile) {
  const std::string mine = OutFile("cmd", "mine.ssf");
  const std::string broken = OutFile("cmd", "broken.ssf");
  writeFileAtomic(broken, "not a sheet document");
  TSpreadDocument doc;
  doc.NewDocument(1);
  doc.SaveSsf(mine);
  doc.SetFileCaption(mine);
  doc.Worksheet(1)->SetCellText(0, 0, "unsaved");
  doc.SetModified(true);
  dialogs.PushResult(mrNo);  // do not save before opening
  dialogs.PushFile(broken);
  EXPECT_FALSE(doc.OpenCommand());
  EXPECT_EQ(Messages().back(), "File is corrupt.");
  EXPECT_EQ(dialogs.Log().back().Type, mtError);
  EXPECT_EQ(doc.FileName(), mine);
  EXPECT_TRUE(doc.Modified());
  EXPECT_EQ(doc.Worksheet(1)->GetCellText(0, 0), "unsaved");
  EXPECT_TRUE(doc.RecentFiles.empty());
  ASSERT_TRUE(doc.SaveCommand());
  EXPECT_EQ(readFileBytes(broken), "not a sheet document");

  const std::string badXls = OutFile("cmd", "broken.xls");
  writeFileAtomic(badXls, "not a workbook");
  EXPECT_FALSE(doc.OpenFile(badXls));
  EXPECT_EQ(Messages().back(), "Falied to load file \"" + badXls + "\"!");
  EXPECT_EQ(doc.FileName(), mine);
}

TEST_F(SpreadCommands, SaveGoesByTheNameInTheCaption) {
  TSpreadDocument doc;
  doc.NewDocument(1);
  doc.Worksheet(1)->SetCellText(0, 0, "v");
  struct Case {
    const char* name;
    const char* head;  // the first bytes of the file
  };
  const Case cases[] = {{"Out.SSF", "& "}, {"out.xls", "\xD0\xCF"}, {"OUT.txt", "v\t\r\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = OutFile("cmd-save", c.name);
    doc.SetFileCaption(file);
    doc.SetModified(true);
    ASSERT_TRUE(doc.SaveCommand());
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(readFileBytes(file).substr(0, std::string(c.head).size()), c.head);
  }
  EXPECT_TRUE(dialogs.Log().empty());
  // Untitled and ".ogy" documents ask for a name.
  for (const std::string& name : {std::string("Untitled"), OutFile("cmd-save", "run.ogy")}) {
    dialogs.ClearLog();
    doc.SetFileCaption(name);
    const std::string target = OutFile("cmd-save", "as.ssf");
    dialogs.PushFile(target);
    ASSERT_TRUE(doc.SaveCommand());
    ASSERT_EQ(Kinds(), std::vector<std::string>{"Save"});
    EXPECT_EQ(dialogs.Log()[0].Text, kSpreadSaveFilter);
    EXPECT_EQ(doc.Caption(), "Quorvane SpreadSheet - [" + target + "]");
  }
  // Save As to an ".ogy" name writes text.
  const std::string ogy = OutFile("cmd-save", "as-text.ogy");
  dialogs.PushFile(ogy);
  ASSERT_TRUE(doc.SaveAsCommand());
  EXPECT_EQ(readFileBytes(ogy), "v\t\r\n");
}

// Save over a read-only file (in a writable folder): refused with the
// message for a file that cannot be written, the file and the modified flag
// as they were. The files belong to the test, so their owner bits decide
// even when the tests run as root.
TEST_F(SpreadCommands, SaveRefusesAReadOnlyFileAndKeepsIt) {
  TSpreadDocument doc;
  doc.NewDocument(1);
  doc.Worksheet(1)->SetCellText(0, 0, "new");
  for (const char* name : {"locked.ssf", "locked.xls", "locked.csv"}) {
    SCOPED_TRACE(name);
    const std::string file = OutFile("cmd-readonly", name);
    ::chmod(file.c_str(), 0600);
    writeFileAtomic(file, "old contents");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    dialogs.ClearLog();
    doc.SetFileCaption(file);
    doc.SetModified(true);
    EXPECT_FALSE(doc.SaveCommand());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Cannot create file \"" + file + "\". Permission denied");
    EXPECT_TRUE(doc.Modified());
    EXPECT_EQ(readFileBytes(file), "old contents");
    // Save As names the same file: refused the same way, the caption kept.
    dialogs.ClearLog();
    doc.SetFileCaption(OutFile("cmd-readonly", "other.ssf"));
    dialogs.PushFile(file);
    EXPECT_FALSE(doc.SaveAsCommand());
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(doc.FileName(), OutFile("cmd-readonly", "other.ssf"));
    EXPECT_EQ(readFileBytes(file), "old contents");
    ::chmod(file.c_str(), 0600);
  }
}

TEST_F(SpreadCommands, TheCommandLineCaptionNamesTheFileForSave) {
  const std::string ssf = MakeSsf("from-command-line.ssf");
  TSpreadDocument doc;
  ASSERT_TRUE(doc.OpenFile(ssf, kDataEditorCaption));
  EXPECT_EQ(doc.Caption(), "Quorvane Data Editor - [" + ssf + "]");
  doc.Worksheet(1)->SetCellText(3, 3, "edited");
  ASSERT_TRUE(doc.SaveCommand());
  TSpreadDocument back;
  back.LoadSsf(ssf, false);
  EXPECT_EQ(back.Worksheet(1)->GetCellText(3, 3), "edited");
}

TEST_F(SpreadCommands, CloseQuery) {
  TSpreadDocument doc;
  doc.NewDocument(1);
  EXPECT_TRUE(doc.CloseQuery());
  EXPECT_TRUE(dialogs.Log().empty());
  doc.SetModified(true);
  dialogs.PushResult(mrNo);
  EXPECT_TRUE(doc.CloseQuery());
  EXPECT_EQ(dialogs.Log().back().Buttons, mbYesNo);
  // Yes, then no name given: the window stays open.
  dialogs.PushResult(mrYes);
  EXPECT_FALSE(doc.CloseQuery());
  const std::string file = OutFile("cmd", "closing.csv");
  dialogs.PushResult(mrYes);
  dialogs.PushFile(file);
  EXPECT_TRUE(doc.CloseQuery());
  EXPECT_TRUE(FileExists(file));
}

TEST_F(SpreadCommands, RecentFilesKeepTenNewestFirst) {
  TSpreadDocument doc;
  for (int i = 0; i < 12; ++i) doc.AddRecentFile("f" + std::to_string(i));
  doc.AddRecentFile("f5");
  ASSERT_EQ(doc.RecentFiles.size(), 10u);
  EXPECT_EQ(doc.RecentFiles[0], "f5");
  EXPECT_EQ(doc.RecentFiles[1], "f11");
  EXPECT_EQ(doc.RecentFiles[9], "f2");
}

TEST_F(SpreadCommands, AppendFileByExtension) {
  const std::string ssf = MakeSsf("part.ssf");
  const std::string txt = OutFile("cmd", "part.txt");
  writeFileAtomic(txt, "a b\n");
  TSpreadDocument doc;
  doc.NewDocument(1);
  doc.SetModified(false);
  ASSERT_TRUE(doc.AppendFile(ssf));
  ASSERT_TRUE(doc.AppendFile(txt));
  EXPECT_EQ(TreeShape(doc.Tree()),
            "Base Folder/-1 -Sheet1/1 part.ssf/-1 -Base Folder/-1 --Sheet1/2 --Sheet2/3 "
            "part.txt/-1 -Sheet4/4 ");
  EXPECT_EQ(doc.Worksheet(3)->GetCellText(0, 0), "one");
  EXPECT_EQ(doc.Worksheet(4)->GetCellText(1, 0), "b");
  EXPECT_TRUE(doc.Modified());
  EXPECT_FALSE(doc.AppendFile(OutFile("cmd", "missing.ssf")));
  EXPECT_EQ(dialogs.Log().back().Type, mtError);
}
