#pragma once

namespace installer {

// The interface-check child: probes the default-browser association interface
// of Windows 10 in this process and returns 700 (available) or 701.
int CheckDefaultBrowserInterface();

}  // namespace installer
