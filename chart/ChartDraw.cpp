// One complete drawing of an axis panel in its fixed order: background,
// titles and legend, depth positions, axes layout, series depth bands and
// margins, walls, axes, series with their marks, the titles and legend
// placed by the user, the zoom rectangle.
#include <algorithm>

#include "chart/Chart.h"

namespace qv {

void TCustomAxisPanel::InternalDraw(const TRect& rect) {
  DrawPanelBackground(rect);
  NotifyTools(cteBeforeDraw);
  if (OnBeforeDrawChart) OnBeforeDrawChart(this);
  for (TChartSeries* s : series_)
    if (s->Active()) s->BeforeDrawChart();
  if (!TPlotCanvas3D::SupportsFullRotation()) DrawTitlesAndLegend(true);

  // Depth positions: in 3-D with the depth order each series stands at its
  // own index, the first ones at the back.
  const bool ordered = View3D() && ApplyZOrder;
  MaxZOrder = 0;
  if (ordered) {
    MaxZOrder = -1;
    for (TChartSeries* s : series_)
      if (s->Active()) s->CalcZOrder();
    MaxZOrder = std::max(MaxZOrder, 0);
  }
  CalcDepth3D();

  // Axes layout: ranges, then the room each visible axis takes.
  for (TChartAxis* a : axes_) a->AutoRange();
  for (TChartAxis* a : axes_) a->ComputePixelEnds();
  TRect r = ChartRect;
  for (std::size_t i = 0; i < axes_.size(); ++i) {
    TChartAxis* a = axes_[i];
    if (!IsAxisVisible(*a)) continue;
    TRect t = r;
    a->ReserveSpace(t, i < 5);
    const TRect cut(std::max(t.Left, r.Left), std::max(t.Top, r.Top), std::min(t.Right, r.Right),
                    std::min(t.Bottom, r.Bottom));
    if (cut.Left < cut.Right && cut.Top < cut.Bottom) r = cut;
  }
  ChartRect = r;
  RecalcWidthHeight();
  for (TChartAxis* a : axes_) a->ComputePixelEnds();

  // Depth band of each series; its marks stand in the middle.
  for (TChartSeries* s : series_) {
    if (!s->Active()) continue;
    const int position = ordered ? MaxZOrder - s->DepthIndex() : 0;
    s->StartZ = View3D() ? SeriesWidth3D * position : 0;
    s->EndZ = s->StartZ + (s->Depth() == -1 ? SeriesWidth3D : s->Depth());
    s->MiddleZ = (s->StartZ + s->EndZ) / 2;
    s->Marks().ZPosition = s->MiddleZ;
  }

  // Room the series need beyond the axis ends.
  for (TChartAxis* a : {bottom_.get(), top_.get(), left_.get(), right_.get()}) {
    int lo = 0, hi = 0;
    for (TChartSeries* s : series_) {
      if (!s->Active() || !s->AssociatedToAxis(a)) continue;
      int m0 = 0, m1 = 0;
      if (a->Horizontal()) {
        s->CalcHorizMargins(m0, m1);
        if (a->AutomaticMinimum()) lo = std::max(lo, m0);
        if (a->AutomaticMaximum()) hi = std::max(hi, m1);
      } else {
        s->CalcVerticalMargins(m0, m1);
        if (a->AutomaticMaximum()) lo = std::max(lo, m0);
        if (a->AutomaticMinimum()) hi = std::max(hi, m1);
      }
    }
    if (lo == 0 && hi == 0) continue;
    a->ShrinkToRectangle(a->Horizontal() ? TRect(lo, 0, hi, 0) : TRect(0, lo, 0, hi));
  }

  canvas_.SetProjectionCentre(Width3D, ChartRect);
  DrawWalls();
  if (axisBehind_) DrawAxes();
  NotifyTools(cteBeforeDrawSeries);
  if (OnBeforeDrawSeries) OnBeforeDrawSeries(this);
  std::vector<TChartSeries*> done;
  for (TChartSeries* s : std::vector<TChartSeries*>(series_))
    if (s->Active()) DrawOneSeries(*s, done);
  if (!axisBehind_) DrawAxes();
  DrawTitlesAndLegend(false);
  // The zoom rectangle belongs to the picture only when it is not drawn
  // into the buffer (the window paints it over the buffer).
  if (Zoom().Active && !canvas_.BufferedDrawing()) PaintDragRect();
  NotifyTools(cteAfterDraw);
  canvas_.ResetDrawingState();
  if (OnAfterDraw) OnAfterDraw(this);
}

void TCustomAxisPanel::DrawAxes() {
  if (!axisVisible_) return;
  if (OnBeforeDrawAxes) OnBeforeDrawAxes(this);
  for (TChartAxis* a : std::vector<TChartAxis*>(axes_))
    if (IsAxisVisible(*a)) a->Draw(true);
}

void TCustomAxisPanel::ClipSeries() {
  TRect r = ChartRect;
  ++r.Bottom;
  if (View3D())
    canvas_.ClipToBox(r, 0, Width3D);
  else
    canvas_.ClipToRect(r);
}

void TCustomAxisPanel::DrawOneSeries(TChartSeries& s, std::vector<TChartSeries*>& done) {
  if (std::find(done.begin(), done.end(), &s) != done.end()) return;
  const bool clipAllowed = ClipAllowed();
  auto withClip = [&](bool clip, const std::function<void()>& draw) {
    const int depth = canvas_.ClipDepth();
    if (clip && clipAllowed) ClipSeries();
    draw();
    while (canvas_.ClipDepth() > depth) canvas_.RemoveClip();
  };
  auto marksAndAfter = [&](TChartSeries& g) {
    if (g.Marks().Visible() && g.Count() > 0) withClip(g.Marks().Clip(), [&] { g.DrawMarks(); });
    g.DoAfterDrawValues();
  };
  s.CalcFirstLastVisible();
  if (View3D() && s.MoreSameZOrder()) {
    // The series at this depth draw their points interleaved, index by
    // index, so that none hides the others completely.
    std::vector<TChartSeries*> group;
    int first = -1, last = -1;
    for (TChartSeries* g : series_) {
      if (!g->Active() || g->HasZValues() || g->MinZValue() != s.MinZValue()) continue;
      g->CalcFirstLastVisible();
      group.push_back(g);
      done.push_back(g);
      if (g->FirstVisibleIndex() < 0) continue;
      first = first < 0 ? g->FirstVisibleIndex() : std::min(first, g->FirstVisibleIndex());
      last = std::max(last, g->LastVisibleIndex());
    }
    if (first < 0) return;
    for (TChartSeries* g : group) g->BeginDrawValues();
    withClip(clipPoints_, [&] {
      const bool forward = s.DrawValuesForward();
      for (int k = 0; k <= last - first; ++k) {
        const int i = forward ? first + k : last - k;
        for (TChartSeries* g : group)
          if (i >= g->FirstVisibleIndex() && i <= g->LastVisibleIndex()) g->DrawValue(i);
      }
    });
    for (TChartSeries* g : group) marksAndAfter(*g);
    return;
  }
  done.push_back(&s);
  if (s.FirstVisibleIndex() < 0) return;
  s.DoBeforeDrawValues();
  withClip(s.UsesAxes() && clipPoints_, [&] { s.DrawAllValues(); });
  marksAndAfter(s);
}

}  // namespace qv
