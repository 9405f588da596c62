// The model editor's completion list (offscreen): Ctrl+Space in the model
// editor opens it on the word before the caret with the expression
// compiler's functions and the model language's key words, Enter inserts
// the name, and a read-only editor (a run going on) never opens it.
#include <QApplication>
#include <QKeyEvent>
#include <algorithm>

#include "app/ModelCompletion.h"
#include "app/ModelHighlighter.h"
#include "editor/CodeCompletionProposal.h"
#include "engine/ParseExpr.h"
#include "tests/app/qt/MainWindowFixture.h"

namespace qv {
namespace {

class ModelCompletionTest : public test::TMainWindowFixture {
 public:
  static void SetUpTestSuite() { SetUpWindowSuite("model_completion"); }

 protected:
  void SetUp() override { SetUpWindow("model_completion"); }
  static void SendKey(QWidget* W, int Key, Qt::KeyboardModifiers Mods = Qt::NoModifier,
                      const QString& Text = QString()) {
    QKeyEvent press(QEvent::KeyPress, Key, Mods, Text);
    QApplication::sendEvent(W, &press);
    QKeyEvent release(QEvent::KeyRelease, Key, Mods, Text);
    QApplication::sendEvent(W, &release);
  }
  QWidget* ListWindow() { return dynamic_cast<QWidget*>(form->Completion().Form().Window()); }
  std::vector<std::string> Shown() {
    std::vector<std::string> items;
    const TStrings& list = form->Completion().ItemList();
    for (int i = 0; i < list.Count(); ++i) items.push_back(list[i]);
    return items;
  }
};

TEST_F(ModelCompletionTest, EntriesAreTheCompilersFunctionsThenTheKeyWords) {
  const std::vector<TModelCompletionEntry> entries = ModelCompletionEntries();
  const auto find = [&](const std::string& name) {
    return std::find_if(entries.begin(), entries.end(),
                        [&](const TModelCompletionEntry& e) { return e.Insert == name; });
  };
  // Every named function the compiler knows is offered, with a hint of
  // its argument count; operators and constants are not.
  TExpressionParser parser;
  int functions = 0;
  for (int i = 0; i < parser.Words().Count(); ++i) {
    TExprWord* w = parser.Words().Word(i);
    if (!w->AsFunction() || w->IsOperator() || !std::isalpha(unsigned(w->Name()[0]))) continue;
    ++functions;
    EXPECT_NE(find(w->Name()), entries.end()) << w->Name();
  }
  struct TCase {
    std::string name, display;
  };
  for (const TCase& c : std::vector<TCase>{{"exp", "function \texp\t(X)"},
                                           {"logn", "function \tlogn\t(X, Y)"},
                                           {"if", "function \tif\t(X, Y, Z)"},
                                           {"random", "function \trandom\t()"},
                                           {"Parameters", "keyword \tParameters\t"},
                                           {"StartProgram", "keyword \tStartProgram\t"}}) {
    const auto it = find(c.name);
    ASSERT_NE(it, entries.end()) << c.name;
    EXPECT_EQ(it->Display, c.display);
  }
  for (const char* absent : {"div", "and", "+", "pi", "-@"})
    EXPECT_EQ(find(absent), entries.end()) << absent;
  // Every key word of the highlighter follows the functions.
  const std::vector<std::string> keywords = ModelKeywords();
  ASSERT_EQ(entries.size(), std::size_t(functions) + keywords.size());
  for (const std::string& k : keywords) {
    const auto it = find(k);
    ASSERT_NE(it, entries.end()) << k;
    EXPECT_GE(it - entries.begin(), functions) << k;
  }
  EXPECT_LT(find("sqrt") - entries.begin(), find("tan") - entries.begin());
  EXPECT_LT(find("sigmoid") - entries.begin(), find("sin") - entries.begin());
  EXPECT_LT(find("Data") - entries.begin(), find("DataFile") - entries.begin());
  EXPECT_LT(find("DataLength") - entries.begin(), find("Div") - entries.begin())
      << "letter case is ignored in the order";
}

TEST_F(ModelCompletionTest, CtrlSpaceOffersExpForExAndEnterInsertsIt) {
  Start();
  auto* editor = form->Get<QWidget>("CodeMemo");
  TCodeEdit& code = form->CodeMemo();
  code.SetText("variables x, y;\nfunction y = a*ex");
  code.SetCaretXY(TPoint(18, 2));
  editor->setFocus();
  SendKey(editor, Qt::Key_Space, Qt::ControlModifier);
  ASSERT_TRUE(form->Completion().Active());
  QWidget* list = ListWindow();
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->isVisible());
  // Only what starts with "ex" is left, the function first and chosen.
  const std::vector<std::string> shown = Shown();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), "function \texp\t(X)");
  for (const std::string& item : shown)
    EXPECT_EQ(LowerCase(item.substr(item.find('\t') + 1, 2)), "ex") << item;
  EXPECT_NE(std::find(shown.begin(), shown.end(), "keyword \tExclusive\t"), shown.end());
  EXPECT_EQ(form->Completion().Position(), 0);
  list->grab().save(QString::fromStdString(work + "completion.png"));

  SendKey(list, Qt::Key_Return, Qt::NoModifier, "\r");
  EXPECT_FALSE(form->Completion().Active());
  EXPECT_EQ(code.Lines().Get(1), "function y = a*exp");
  EXPECT_TRUE(code.Modified());

  // Typing on in the list narrows it and reaches the editor.
  code.SetText("parameters a [0, 1];\nb = ");
  code.SetCaretXY(TPoint(5, 2));
  SendKey(editor, Qt::Key_Space, Qt::ControlModifier);
  ASSERT_TRUE(form->Completion().Active());
  EXPECT_GT(Shown().size(), 60u) << "an empty word offers everything";
  SendKey(list, Qt::Key_D, Qt::NoModifier, "d");
  SendKey(list, Qt::Key_A, Qt::NoModifier, "a");
  SendKey(list, Qt::Key_T, Qt::NoModifier, "t");
  EXPECT_EQ(Shown(), (std::vector<std::string>{"keyword \tData\t", "keyword \tDataFile\t",
                                               "keyword \tDataLength\t"}));
  SendKey(list, Qt::Key_Down);
  SendKey(list, Qt::Key_Return, Qt::NoModifier, "\r");
  EXPECT_EQ(code.Lines().Get(1), "b = DataFile");
}

TEST_F(ModelCompletionTest, ReadOnlyEditorNeverOpensTheList) {
  Start();
  auto* editor = form->Get<QWidget>("CodeMemo");
  form->CodeMemo().SetText("ex");
  form->CodeMemo().SetCaretXY(TPoint(3, 1));
  form->CodeMemo().SetReadOnly(true);
  editor->setFocus();
  SendKey(editor, Qt::Key_Space, Qt::ControlModifier);
  EXPECT_FALSE(form->Completion().Active());
  EXPECT_EQ(form->CodeMemo().Lines().Get(0), "ex");
  form->CodeMemo().SetReadOnly(false);
}

}  // namespace
}  // namespace qv
