#include "grid/qt/QtXLEditors.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QToolTip>
#include <cmath>

#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtHost.h"

namespace qv {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string ss(const QString& s) { return s.toStdString(); }

// Colours of a control: the cell's background, the font's colour.
void applyColors(QWidget* w, const TFont& font, TColor color) {
  QPalette pal = w->palette();
  const QColor bg = ToQColor(ColorToRGB(color == clNone ? clWindow : color));
  const QColor fg = ToQColor(ColorToRGB(font.Color()));
  pal.setColor(QPalette::Base, bg);
  pal.setColor(QPalette::Window, bg);
  pal.setColor(QPalette::Text, fg);
  pal.setColor(QPalette::WindowText, fg);
  pal.setColor(QPalette::ButtonText, fg);
  w->setPalette(pal);
  w->setFont(ToQFont(font));
}

int lineHeight(const QWidget* w) { return QFontMetrics(w->font()).boundingRect("Aj").height() + 2; }

// Selection of a line edit in code points.
void lineSelection(const QLineEdit* e, int& start, int& length) {
  const QString t = e->text();
  if (e->hasSelectedText()) {
    const int s = e->selectionStart();
    start = CodePointPos(t, s);
    length = CodePointPos(t, s + e->selectedText().size()) - start;
  } else {
    start = CodePointPos(t, e->cursorPosition());
    length = 0;
  }
}

void setLineSelection(QLineEdit* e, int start, int length) {
  const QString t = e->text();
  const int a = Utf16Pos(t, start), b = Utf16Pos(t, start + std::max(0, length));
  if (b > a)
    e->setSelection(a, b - a);
  else
    e->setCursorPosition(a);
}

Qt::Alignment qtAlign(THorzAlign a) {
  switch (a) {
    case haRight:
      return Qt::AlignRight | Qt::AlignVCenter;
    case haCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

// An edit mask of the grid ("mask;save;blank") as a Qt input mask.
QString qtInputMask(const std::string& editMask) {
  std::string mask = editMask;
  char blank = '_';
  const std::size_t last = mask.rfind(';');
  if (last != std::string::npos && last > 0) {
    const std::size_t prev = mask.rfind(';', last - 1);
    if (prev != std::string::npos) {
      if (last + 1 < mask.size()) blank = mask[last + 1];
      mask.resize(prev);
    }
  }
  QString out;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    const char c = mask[i];
    switch (c) {
      case 'L':
        out += 'A';
        break;
      case 'l':
        out += 'a';
        break;
      case 'A':
        out += 'N';
        break;
      case 'a':
        out += 'n';
        break;
      case 'C':
        out += 'X';
        break;
      case 'c':
        out += 'x';
        break;
      case '0':
        out += '9';
        break;
      case '9':
        out += '0';
        break;
      case '#':
        out += '#';
        break;
      case '>':
      case '<':
        if (c == '<' && i + 1 < mask.size() && mask[i + 1] == '>') {
          out += '!';
          ++i;
        } else {
          out += QChar(c);
        }
        break;
      case '!':
        break;
      case '\\':
        if (i + 1 < mask.size()) {
          out += '\\';
          out += QChar(mask[++i]);
        }
        break;
      default:
        // Characters Qt reads as placeholders are literals here.
        if (QString("ANXxa9nDdHhBb").contains(QChar(c))) out += '\\';
        out += QString::fromUtf8(&mask[i], 1);
        break;
    }
  }
  if (!out.isEmpty()) out += ';' + QString(QChar(blank));
  return out;
}

constexpr double kMsPerDay = 86400000.0;

QDateTime toQDateTime(double v) {
  const double days = std::trunc(v);
  const double frac = std::fabs(v - days);
  const QDate d = QDate(1899, 12, 30).addDays(static_cast<qint64>(days));
  const QTime t = QTime(0, 0).addMSecs(static_cast<int>(std::llround(frac * kMsPerDay)) % 86400000);
  return QDateTime(d, t);
}

double fromQDateTime(const QDateTime& dt) {
  const double days = static_cast<double>(QDate(1899, 12, 30).daysTo(dt.date()));
  const double frac = dt.time().msecsSinceStartOfDay() / kMsPerDay;
  return days >= 0 ? days + frac : days - frac;
}

}  // namespace

int Utf16Pos(const QString& text, int codePoints) {
  int i = 0;
  for (int n = 0; i < text.size() && n < codePoints; ++n)
    i += text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
  return i;
}

int CodePointPos(const QString& text, int utf16) {
  int n = 0;
  for (int i = 0; i < utf16 && i < text.size(); ++n)
    i += text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
  return n;
}

// ---- the host ----------------------------------------------------------------

TQtXLEditHost::TQtXLEditHost(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  hide();
}

void TQtXLEditHost::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  update();
}

void TQtXLEditHost::paintEvent(QPaintEvent*) {
  QPainter p(this);
  GuardHostCall("TQtXLEditHost::Paint", [&] {
    TQtCanvas c(p, rect());
    c.Brush.SetStyle(bsSolid);
    c.Brush.SetColor(ColorToRGB(color_));
    c.FillRect(TRect(0, 0, width(), height()));
    TRect r(0, 0, width(), height());
    c.DrawEdge(r, EDGE_SUNKEN, BF_RECT);
  });
}

// ---- the line edit -----------------------------------------------------------

TQtXLLineEdit::TQtXLLineEdit(TXLInplaceEditor& editor, QWidget* parent)
    : QWidget(parent), editor_(editor), edit_(new QLineEdit(this)) {
  edit_->setFrame(false);
  edit_->setContextMenuPolicy(Qt::DefaultContextMenu);
  setFocusProxy(edit_);
}

std::string TQtXLLineEdit::Text() const { return ss(edit_->text()); }

void TQtXLLineEdit::SetText(const std::string& text) { edit_->setText(qs(text)); }

int TQtXLLineEdit::SelStart() const {
  int s, l;
  lineSelection(edit_, s, l);
  return s;
}

int TQtXLLineEdit::SelLength() const {
  int s, l;
  lineSelection(edit_, s, l);
  return l;
}

void TQtXLLineEdit::SetSelection(int start, int length) { setLineSelection(edit_, start, length); }

void TQtXLLineEdit::ReplaceSelection(const std::string& text) {
  if (text.empty() && edit_->hasSelectedText())
    edit_->del();
  else
    edit_->insert(qs(text));
}

void TQtXLLineEdit::SetLook(const TFont& font, TColor color) {
  applyColors(this, font, color);
  applyColors(edit_, font, color);
}

void TQtXLLineEdit::SetAlignment(THorzAlign align, int indent) {
  edit_->setAlignment(qtAlign(align));
  if (align == haRight)
    edit_->setTextMargins(0, 0, indent, 0);
  else
    edit_->setTextMargins(indent, 0, 0, 0);
}

int TQtXLLineEdit::TextHeight() const { return lineHeight(edit_); }

void TQtXLLineEdit::SetHint(const std::string& text) { edit_->setToolTip(qs(text)); }

void TQtXLLineEdit::SetEditMask(const std::string& mask) { edit_->setInputMask(qtInputMask(mask)); }

void TQtXLLineEdit::SetSpinner(bool on) {
  if (on == (spin_ != nullptr)) return;
  if (!on) {
    delete spin_;
    spin_ = nullptr;
    Layout();
    return;
  }
  spin_ = new QScrollBar(Qt::Vertical, this);
  spin_->setFocusPolicy(Qt::NoFocus);
  spin_->setRange(-100, 100);
  spin_->setValue(0);
  spin_->setSingleStep(1);
  spin_->setPageStep(1);
  connect(spin_, &QScrollBar::actionTriggered, this, [this](int action) {
    auto* num = dynamic_cast<TXLNumEdit*>(&editor_);
    if (!num) return;
    // The up arrow adds the increment, the down arrow subtracts it; the bar
    // goes back to its middle.
    if (action == QAbstractSlider::SliderSingleStepSub ||
        action == QAbstractSlider::SliderPageStepSub)
      GuardHostCall("Spinner", [&] { num->Step(1); });
    else if (action == QAbstractSlider::SliderSingleStepAdd ||
             action == QAbstractSlider::SliderPageStepAdd)
      GuardHostCall("Spinner", [&] { num->Step(-1); });
    spin_->setSliderPosition(0);
  });
  spin_->show();
  Layout();
}

void TQtXLLineEdit::resizeEvent(QResizeEvent*) { Layout(); }

void TQtXLLineEdit::Layout() {
  const int sw = spin_ ? std::min(width() / 2, 16) : 0;
  edit_->setGeometry(0, 0, width() - sw, height());
  if (spin_) spin_->setGeometry(width() - sw, 0, sw, height());
}

// ---- the memo ----------------------------------------------------------------

TQtXLMemoEdit::TQtXLMemoEdit(TXLInplaceEditor&, QWidget* parent) : QPlainTextEdit(parent) {
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  document()->setDocumentMargin(0);
}

std::string TQtXLMemoEdit::Text() const { return ss(toPlainText()); }

void TQtXLMemoEdit::SetText(const std::string& text) { setPlainText(qs(text)); }

int TQtXLMemoEdit::SelStart() const {
  const QTextCursor c = textCursor();
  return CodePointPos(toPlainText(), c.selectionStart());
}

int TQtXLMemoEdit::SelLength() const {
  const QTextCursor c = textCursor();
  const QString t = toPlainText();
  return CodePointPos(t, c.selectionEnd()) - CodePointPos(t, c.selectionStart());
}

void TQtXLMemoEdit::SetSelection(int start, int length) {
  const QString t = toPlainText();
  QTextCursor c = textCursor();
  c.setPosition(Utf16Pos(t, start));
  c.setPosition(Utf16Pos(t, start + std::max(0, length)), QTextCursor::KeepAnchor);
  setTextCursor(c);
}

void TQtXLMemoEdit::ReplaceSelection(const std::string& text) { insertPlainText(qs(text)); }

void TQtXLMemoEdit::SetLook(const TFont& font, TColor color) { applyColors(this, font, color); }

void TQtXLMemoEdit::SetAlignment(THorzAlign, int indent) { setViewportMargins(indent, 0, 0, 0); }

int TQtXLMemoEdit::TextHeight() const { return QFontMetrics(font()).lineSpacing(); }

void TQtXLMemoEdit::SetHint(const std::string& text) { setToolTip(qs(text)); }

// ---- the combo boxes -----------------------------------------------------------

TQtXLComboEdit::TQtXLComboEdit(TXLPickEdit& editor, bool editable, QWidget* parent)
    : QComboBox(parent), editor_(editor) {
  setEditable(editable);
  setFrame(false);
  setInsertPolicy(QComboBox::NoInsert);
  setMaxVisibleItems(12);
  if (editable) {
    // The pick editor completes the text itself.
    setCompleter(nullptr);
    lineEdit()->setFrame(false);
  }
  connect(this, &QComboBox::currentTextChanged, this, [this](const QString&) {
    if (editor_.OnChange) GuardHostCall("OnChange", [&] { editor_.OnChange(editor_); });
  });
}

// The combo box takes the focus and hands typing on to its line edit.
QWidget* TQtXLComboEdit::KeyWidget() { return this; }

std::string TQtXLComboEdit::Text() const { return ss(currentText()); }

void TQtXLComboEdit::SetText(const std::string& text) {
  if (isEditable()) {
    setEditText(qs(text));
  } else {
    setCurrentIndex(findText(qs(text)));
  }
}

int TQtXLComboEdit::SelStart() const {
  if (!isEditable()) return 0;
  int s, l;
  lineSelection(lineEdit(), s, l);
  return s;
}

int TQtXLComboEdit::SelLength() const {
  if (!isEditable()) return 0;
  int s, l;
  lineSelection(lineEdit(), s, l);
  return l;
}

void TQtXLComboEdit::SetSelection(int start, int length) {
  if (isEditable()) setLineSelection(lineEdit(), start, length);
}

void TQtXLComboEdit::ReplaceSelection(const std::string& text) {
  if (!isEditable()) return;
  if (text.empty() && lineEdit()->hasSelectedText())
    lineEdit()->del();
  else
    lineEdit()->insert(qs(text));
}

void TQtXLComboEdit::SetLook(const TFont& font, TColor color) {
  applyColors(this, font, color);
  if (isEditable()) applyColors(lineEdit(), font, color);
  view()->setFont(ToQFont(font));
}

void TQtXLComboEdit::SetAlignment(THorzAlign align, int indent) {
  if (!isEditable()) return;
  lineEdit()->setAlignment(qtAlign(align));
  if (align == haRight)
    lineEdit()->setTextMargins(0, 0, indent, 0);
  else
    lineEdit()->setTextMargins(indent, 0, 0, 0);
}

int TQtXLComboEdit::TextHeight() const { return lineHeight(this); }

void TQtXLComboEdit::SetHint(const std::string& text) { setToolTip(qs(text)); }

void TQtXLComboEdit::SetItems(const std::vector<std::string>& items) {
  const QString text = currentText();
  QSignalBlocker block(this);
  clear();
  for (const std::string& item : items) addItem(qs(item));
  setCurrentIndex(-1);
  if (isEditable()) setEditText(text);
}

void TQtXLComboEdit::SetItemIndex(int index) {
  setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

void TQtXLComboEdit::SetMaxLength(int n) {
  if (isEditable()) lineEdit()->setMaxLength(n > 0 ? n : 32767);
}

void TQtXLComboEdit::showPopup() {
  if (editor_.OnDropDown) GuardHostCall("OnDropDown", [&] { editor_.OnDropDown(editor_); });
  QComboBox::showPopup();
}

// ---- the date and time field ------------------------------------------------------

TQtXLDateTimeEdit::TQtXLDateTimeEdit(TXLInplaceEditor&, QWidget* parent) : QDateTimeEdit(parent) {
  setFrame(false);
  setButtonSymbols(QAbstractSpinBox::NoButtons);
}

std::string TQtXLDateTimeEdit::Text() const { return ss(text()); }

void TQtXLDateTimeEdit::SetText(const std::string&) {}

void TQtXLDateTimeEdit::SetLook(const TFont& font, TColor color) { applyColors(this, font, color); }

int TQtXLDateTimeEdit::TextHeight() const { return lineHeight(this); }

void TQtXLDateTimeEdit::SetHint(const std::string& text) { setToolTip(qs(text)); }

void TQtXLDateTimeEdit::SetDateTime(double value, bool dateMode) {
  setDisplayFormat(dateMode ? "dd.MM.yyyy" : "HH:mm:ss");
  setCalendarPopup(dateMode);
  setDateTimeRange(QDateTime(QDate(100, 1, 1), QTime(0, 0)),
                   QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999)));
  setDateTime(toQDateTime(value));
}

double TQtXLDateTimeEdit::DateTime() const { return fromQDateTime(dateTime()); }

// ---- the factory -------------------------------------------------------------------

TQtXLEditorControl* CreateQtEditorControl(TXLInplaceEditor& editor, QWidget* parent) {
  switch (editor.Kind()) {
    case ekMaskEdit:
    case ekNumEdit:
      return new TQtXLLineEdit(editor, parent);
    case ekMemo:
      return new TQtXLMemoEdit(editor, parent);
    case ekPickEdit:
      return new TQtXLComboEdit(static_cast<TXLPickEdit&>(editor), true, parent);
    case ekComboBox:
      return new TQtXLComboEdit(static_cast<TXLPickEdit&>(editor), false, parent);
    case ekDateEdit:
    case ekTimeEdit:
      return new TQtXLDateTimeEdit(editor, parent);
    default:
      return nullptr;
  }
}

}  // namespace qv
