// The sheet, the styler and the picture as objects of the component stream.
#include <algorithm>

#include "grid/XLSheet.h"
#include "platform/core/ComponentStream.h"

namespace qv {

const TClassInfo& TXLPicture::ClassInfo() {
  static const TClassInfo& info =
      TClassBuilder<TXLPicture>("TPicture")
          .DefineProperties([](TXLPicture& p, TFiler& f) {
            f.DefineBinaryProperty(
                "Data", [&p](TStream& in) { p.ReadGraphic(in); },
                [&p](TStream& out) { p.WriteGraphic(out); }, !p.Empty());
          })
          .Register();
  return info;
}

const TClassInfo& TXLStyler::ClassInfo() {
  static const TClassInfo& info =
      TClassBuilder<TXLStyler>("TXLStyler")
          .Component()
          .Property("Name", TypeInfoComponentName(), &TXLStyler::GetName, &TXLStyler::SetName)
          .Stored(false)
          .DefineProperties([](TXLStyler& s, TFiler& f) {
            f.DefineBinaryProperty(
                "Styles",
                [&s](TStream& in) {
                  s.Clear();
                  s.ReadStyles(in);
                },
                [&s](TStream& out) { s.WriteStyles(out); }, s.Count() > 0);
          })
          .Register();
  return info;
}

const TClassInfo& TXLSheet::ClassInfo() {
  static const TClassInfo& info = []() -> const TClassInfo& {
    TXLPicture::ClassInfo();
    TXLStyler::ClassInfo();
    using S = TXLSheet;
    return TClassBuilder<S>("TXLSheet")
        .Component()
        .Property("Name", TypeInfoComponentName(), &S::GetName, &S::SetName)
        .Stored(false)
        .Property("Background", TXLPicture::ClassInfo(),
                  [](S& s) -> TXLPicture& { return s.Background(); })
        .Property("ColCount", TypeInfoInteger(), &S::ColCount, &S::SetColCount)
        .Default(5)
        .Property("RowCount", TypeInfoInteger(), &S::RowCount, &S::SetRowCount)
        .Default(5)
        .Property("ColDefWidth", TypeInfoInteger(), &S::ColDefWidth, &S::SetColDefWidth)
        .Default(60)
        .Property("RowDefHeight", TypeInfoInteger(), &S::RowDefHeight, &S::SetRowDefHeight)
        .Default(15)
        .Property("ColMaxWidth", TypeInfoInteger(), &S::ColMaxWidth, &S::SetColMaxWidth)
        .Default(0)
        .Property("RowMaxHeight", TypeInfoInteger(), &S::RowMaxHeight, &S::SetRowMaxHeight)
        .Default(0)
        .Property("TitleCols", TypeInfoInteger(), &S::TitleCols, &S::SetTitleCols)
        .Default(1)
        .Property("TitleRows", TypeInfoInteger(), &S::TitleRows, &S::SetTitleRows)
        .Default(1)
        .Property("PrintLeftMargin", TypeInfoInteger(), &S::PrintLeftMargin, &S::PrintLeftMargin)
        .Default(0)
        .Property("PrintTopMargin", TypeInfoInteger(), &S::PrintTopMargin, &S::PrintTopMargin)
        .Default(0)
        .Property("PrintRightMargin", TypeInfoInteger(), &S::PrintRightMargin, &S::PrintRightMargin)
        .Default(0)
        .Property("PrintBottomMargin", TypeInfoInteger(), &S::PrintBottomMargin,
                  &S::PrintBottomMargin)
        .Default(0)
        .Property("PrintGridLines", TypeInfoBoolean(), &S::PrintGridLines, &S::PrintGridLines)
        .Default(false)
        .Property("ReadOnly", TypeInfoBoolean(), &S::ReadOnly, &S::ReadOnly)
        .Default(false)
        .Property("Styler", TXLStyler::ClassInfo(), &S::Styler, &S::SetStyler)
        .Property("Title", TypeInfoString(), &S::Title, &S::Title)
        .DefineProperties([](S& s, TFiler& f) {
          f.DefineBinaryProperty(
              "XLData", [&s](TStream& in) { s.ReadData(in); },
              [&s](TStream& out) { s.WriteData(out); }, true);
        })
        .Register();
  }();
  return info;
}

void TXLSheet::ResetToNew() {
  ClearSections();
  SetStyler(nullptr);
  background_->Clear();
  for (int axis = 0; axis < 2; ++axis) {
    maxSize_[axis] = 0;
    for (auto& list : sizes_[axis]) list.SetDefault(axis == 0 ? 60 : 15);
  }
  SetColCount(5);
  SetRowCount(5);
  SetTitleCols(1);
  SetTitleRows(1);
  baseStyles_[0]->Reset();
  baseStyles_[1]->Reset();
  for (auto& s : sections_) s->UpdatePlaneDefaults();
  Title.clear();
  ReadOnly = false;
  PrintGridLines = false;
  PrintLeftMargin = PrintTopMargin = PrintRightMargin = PrintBottomMargin = 0;
}

void TXLSheet::SaveToStream(TStream& stream) const {
  ClassInfo();
  TWriter(stream).WriteRootComponent(MakeObjectRef(const_cast<TXLSheet*>(this)));
}

void TXLSheet::LoadFromStream(TStream& stream) { LoadFromStream(stream, TReadOptions()); }

void TXLSheet::LoadFromStream(TStream& stream, const TReadOptions& options) {
  ClassInfo();
  TXLUpdateScope update(*this);
  ResetToNew();
  // Cleared again however the read ends.
  struct TLoading {
    bool& flag;
    ~TLoading() { flag = false; }
  } loading{loading_ = true};
  std::vector<std::string> skipped;
  TReadOptions opts = options;
  opts.OnError = [&](const std::string& path, const std::string& message) {
    skipped.push_back(path + ": " + message);
    if (options.OnError) options.OnError(path, message);
  };
  report_.Clear();
  TReader(stream).ReadRootComponent(MakeObjectRef(this), opts);
  loading_ = false;
  for (const std::string& s : skipped) report_.NoteError(s);
  report_.SkippedRecords += static_cast<int>(skipped.size());
  Loaded();
  UpdatePageRect();
  NotifyBackground();
  SetModified(false);
  if (!report_.Empty() && OnStreamWarning) OnStreamWarning(*this, report_);
}

}  // namespace qv
