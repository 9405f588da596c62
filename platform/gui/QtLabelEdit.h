// An in-place editor for the labels of list and tree views: a line edit
// over the control's viewport. Enter or leaving the field accepts, Escape
// cancels; the result goes to the finish callback once.
#pragma once

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

#include "platform/core/Graphics.h"

namespace qv {

class TLabelEditOverlay : public QObject {
  Q_OBJECT
 public:
  using TFinish = std::function<void(bool accept, const std::string& text)>;
  TLabelEditOverlay(QWidget* viewport, TFinish finish);
  // Removes the editor without calling the finish callback.
  ~TLabelEditOverlay() override;
  // Shows the editor over r (client pixels) with the text, all selected.
  void Begin(const TRect& r, const std::string& text);
  // Closes the editor (accepting or cancelling) if it is open.
  void Close(bool accept);
  bool Editing() const { return editing_; }
  QLineEdit* Editor() const { return edit_.data(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QPointer<QLineEdit> edit_;
  const QObject* editObject_ = nullptr;
  TFinish finish_;
  bool editing_ = false;
};

}  // namespace qv
