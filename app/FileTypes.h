// Registration of the program's file types with the desktop.
//
// Each type is written, as the program always kept it, to the registry
// store under HKEY_CLASSES_ROOT (the extension's default value names the
// type; the type holds its description, DefaultIcon and the open command
// shell\open\command = program " %1"); and, for the desktop, as a
// shared-mime-info package "$XDG_DATA_HOME/mime/packages/quorvane-<type>.xml"
// (MIME type application/x-<type in lower case>, a glob on the extension)
// and the desktop entry "$XDG_DATA_HOME/applications/quorvane.desktop"
// opening every registered type with the program. Files are rewritten only
// when their content changes; failures are silent (start-up goes on).
#pragma once

#include <string>

namespace qv {

// Ext with or without its dot ("mff"); an empty TypeName becomes
// "<ext>_auto_file". Nothing happens for an empty Ext or OpenCommandExe.
void RegisterFileType(const std::string& Ext, const std::string& TypeName,
                      const std::string& Description, const std::string& OpenCommandExe,
                      const std::string& IconValue);
// The older association "QuorvaneFiles" in the registry store.
void RegisterLegacyFileType();

// The MIME type of a registered type name.
std::string FileTypeMime(const std::string& TypeName);

}  // namespace qv
