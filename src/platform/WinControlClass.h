// The control classes the platform provides ("ToolbarWindow32", "SysListView32",
// "SysHeader32") and aliases of them: CreateWindow with one of these class names and no
// window procedure of its own gives the window the control's procedure. An alias (for
// instance "ATL:SysListView32", the name a program's class library registers its list view
// under) makes windows of that class name the same control. Names compare without regard to
// case. Safe from any thread.
#pragma once

#include "platform/Win.h"

#include <string>

namespace win {

// Makes `alias` a class name of the control `controlClass`. False when `controlClass` is no
// control class or `alias` is already a different one.
bool RegisterControlClassAlias(const std::string& alias, const std::string& controlClass);
// The control class `className` stands for, or empty.
std::string ControlClassOf(const std::string& className);

} // namespace win
