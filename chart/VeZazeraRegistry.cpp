// The process-wide list of series types a chart gallery can offer.
#include <map>

#include "chart/VeZazera.h"

namespace qv {

namespace {
std::map<std::string, const TSeriesClass*>& ClassRegistry() {
  static std::map<std::string, const TSeriesClass*> classes;
  return classes;
}
void RegisterClass(const TSeriesClass* cls) {
  if (cls) ClassRegistry()[cls->Name] = cls;
}
}  // namespace

TPlotSeriesTypes& PlotSeriesTypes() {
  static TPlotSeriesTypes types;
  return types;
}

std::vector<std::string>& PlotToolTypes() {
  static std::vector<std::string> tools;
  return tools;
}

bool IsSeriesClassRegistered(const std::string& name) { return ClassRegistry().count(name) != 0; }

const TSeriesClass* FindSeriesClass(const std::string& name) {
  auto it = ClassRegistry().find(name);
  return it == ClassRegistry().end() ? nullptr : it->second;
}

void RegisterSeriesTypeFunction(const TSeriesClass* seriesClass, const TSeriesClass* functionClass,
                                std::string_view description, std::string_view galleryPage,
                                int numGallerySeries) {
  RegisterClass(seriesClass);
  RegisterClass(functionClass);
  TPlotSeriesTypes& types = PlotSeriesTypes();
  for (int i = 0; i < types.Count(); ++i) {
    const TPlotSeriesType& t = types.Items(i);
    if (t.SeriesClass == seriesClass && t.FunctionClass == functionClass) return;
  }
  auto t = std::make_unique<TPlotSeriesType>();
  t->SeriesClass = seriesClass;
  t->FunctionClass = functionClass;
  t->Description = description;
  t->GalleryPage = galleryPage;
  t->NumGallerySeries = numGallerySeries;
  types.Append(std::move(t));
}

void RegisterSeriesType(const TSeriesClass* seriesClass, std::string_view description,
                        std::string_view galleryPage, int numGallerySeries) {
  RegisterSeriesTypeFunction(seriesClass, nullptr, description, galleryPage, numGallerySeries);
}

void RemoveSeriesTypes(bool bySeriesClass, const TSeriesClass* cls) {
  TPlotSeriesTypes& types = PlotSeriesTypes();
  int i = 0;
  while (i < types.Count()) {
    const TPlotSeriesType& t = types.Items(i);
    if ((bySeriesClass ? t.SeriesClass : t.FunctionClass) == cls)
      types.Delete(i);  // the next entry moves into this slot
    else
      ++i;
  }
}

void UnregisterSeriesTypes(std::initializer_list<const TSeriesClass*> classes) {
  for (const TSeriesClass* c : classes) RemoveSeriesTypes(true, c);
}

}  // namespace qv
