// Reads one problem of the NIST StRD nonlinear regression set (the JSON
// files in tests/engine/data/nist, kept in the repository) and writes it as
// a fitting model.
#pragma once

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace qv::test {

// A just-enough JSON value: number, string, array or object.
struct TJson {
  enum { jNull, jNumber, jString, jArray, jObject } Kind = jNull;
  double Number = 0;
  std::string Text;
  std::vector<TJson> Items;
  std::map<std::string, TJson> Fields;

  static TJson Parse(const std::string& s) {
    size_t at = 0;
    return Value(s, at);
  }
  const TJson& operator[](const std::string& key) const {
    static const TJson none;
    auto it = Fields.find(key);
    return it == Fields.end() ? none : it->second;
  }

 private:
  static void Skip(const std::string& s, size_t& at) {
    while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
  }
  static std::string String(const std::string& s, size_t& at) {
    std::string out;
    for (++at; at < s.size() && s[at] != '"'; ++at) {
      if (s[at] == '\\' && at + 1 < s.size()) ++at;
      out += s[at];
    }
    ++at;
    return out;
  }
  static TJson Value(const std::string& s, size_t& at) {
    TJson v;
    Skip(s, at);
    if (at >= s.size()) return v;
    const char c = s[at];
    if (c == '"') {
      v.Kind = jString;
      v.Text = String(s, at);
    } else if (c == '[' || c == '{') {
      v.Kind = c == '[' ? jArray : jObject;
      ++at;
      for (;;) {
        Skip(s, at);
        if (at >= s.size()) break;
        if (s[at] == ']' || s[at] == '}') {
          ++at;
          break;
        }
        if (s[at] == ',') {
          ++at;
          continue;
        }
        if (v.Kind == jObject) {
          const std::string key = String(s, at);
          Skip(s, at);
          ++at;  // ':'
          v.Fields[key] = Value(s, at);
        } else {
          v.Items.push_back(Value(s, at));
        }
      }
    } else if (s.compare(at, 4, "null") == 0 || s.compare(at, 4, "true") == 0) {
      at += 4;
    } else if (s.compare(at, 5, "false") == 0) {
      at += 5;
    } else {
      char* end = nullptr;
      v.Kind = jNumber;
      v.Number = std::strtod(s.c_str() + at, &end);
      at = end - s.c_str();
    }
    return v;
  }
};

struct TNistProblem {
  std::string Name;
  std::string ModelText;
  std::vector<double> Certified;
  double CertifiedRss = 0;
  int Rows = 0;
};

// The folder of the JSON files (QV_SOURCE_DIR is the repository's root,
// defined by the build for tests and benchmarks).
inline std::string NistDir() { return std::string(QV_SOURCE_DIR) + "/tests/engine/data/nist/"; }

inline std::string Num(double v) {
  std::ostringstream o;
  o.precision(17);
  o << v;
  return o.str();
}

// The search box of one parameter, from its two published starting values
// only (the certified value never enters it): ten times the larger start
// magnitude, on the side of the starts' sign, or on both sides when the
// starts differ in sign. A zero start magnitude counts as 1.
inline void NistBox(double start1, double start2, double& lo, double& hi) {
  double m = std::max(std::abs(start1), std::abs(start2));
  if (m == 0) m = 1;
  lo = std::min(start1, start2) >= 0 ? 0.0 : -10 * m;
  hi = std::max(start1, start2) <= 0 ? 0.0 : 10 * m;
}

// The model: variable x (one x column only), parameters b1..bk bounded by
// NistBox, and the NIST model in this language. False, with the reason in
// Error, when the file is missing or unreadable or has more x columns.
// Wide: each box is ten times the larger start magnitude on both sides of
// zero, whatever the starts' signs.
inline bool LoadNistProblem(const std::string& name, TNistProblem& p, std::string* Error = nullptr,
                            bool Wide = false) {
  const std::string file = NistDir() + name + ".json";
  std::ifstream in(file);
  if (!in) {
    if (Error) *Error = "cannot read " + file;
    return false;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  const TJson j = TJson::Parse(ss.str());
  if (j["x_columns"].Items.size() != 1) {
    if (Error) *Error = file + ": not one x column";
    return false;
  }
  p.Name = name;
  std::string expr = j["model_expr"].Text;
  for (size_t at; (at = expr.find("**")) != std::string::npos;) expr.replace(at, 2, "^");
  for (size_t at = 0; (at = expr.find("atan(", at)) != std::string::npos; at += 7)
    expr.replace(at, 4, "arctan");
  // A leading minus binds looser than "^" in the NIST texts: -(x-b4)^2 is
  // -((x-b4)^2). Writing it as a subtraction keeps that meaning here.
  for (size_t at = 0; (at = expr.find("(-", at)) != std::string::npos; at += 3)
    expr.replace(at, 2, "(0-");
  std::string params;
  const size_t k = j["certified"].Items.size();
  for (size_t i = 0; i < k; ++i) {
    p.Certified.push_back(j["certified"].Items[i].Number);
    double lo = 0, hi = 0;
    NistBox(j["start1"].Items[i].Number, j["start2"].Items[i].Number, lo, hi);
    if (Wide) lo = -(hi = std::max(-lo, hi));
    params += (i ? ", b" : "b") + std::to_string(i + 1) + " [" + Num(lo) + ", " + Num(hi) + "]";
  }
  p.CertifiedRss = j["certified_rss"].Number;
  std::string text = "title " + name + ";\nvariables x, y;\nparameters " + params +
                     ";\nfunction y = " + expr + ";\ndata;\n";
  const auto& xs = j["x"].Items;
  const auto& ys = j["y"].Items;
  p.Rows = static_cast<int>(xs.size());
  for (size_t r = 0; r < xs.size(); ++r) text += Num(xs[r].Number) + " " + Num(ys[r].Number) + "\n";
  p.ModelText = text;
  return true;
}

}  // namespace qv::test
