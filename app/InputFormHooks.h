// The main window's reach to the input form (TTestForm,
// app/spread/qt/TestUnit.h): the var-parameter values of a program model's
// test data files, asked before its search, and the file browser's
// favourite folders ("Folder Selection").
//
//   TFitForm form(args);
//   ConnectInputForm(form.Hooks());
#pragma once

#include <string>
#include <vector>

#include "app/PFMainUnit.h"

namespace qv {

// The input page: one row per value, titled by Titles, under the column
// title "VarParameter Values"; Values take what was typed. False when
// cancelled (Values then unchanged).
bool EditTestValuesInForm(const std::vector<std::string>& Titles, std::vector<double>& Values);

// The folder page: Folders in order with the ticked one (-1: none); on OK
// they take the list as edited and its ticked item.
bool EditFavouritesInForm(std::vector<std::string>& Folders, int& Ticked);

// Sets EditTestValues and EditFavourites of Hooks to the two above.
void ConnectInputForm(TFitFormHooks& Hooks);

}  // namespace qv
