#pragma once

#include <QString>

#include <functional>

// Opens a file or an address with the desktop's default handler, or starts a
// program. Results follow the convention callers rely on: a value of 32 or
// less means failure, anything larger means the handler was started.
namespace platform {

// The result when the desktop has no program for the target (a page or file
// with no browser installed), as the system reports it.
constexpr int kShellNoAssociation = 31;

struct ShellRequest
{
    QString target; // a file path or an address such as "mailto:..." or "https://..."
    QString parameters; // command-line parameters when the target is a program
};

int shellExecute(const ShellRequest& request);

// Tests replace the shell to see exactly what would be opened; nullptr
// restores the real one. Returns the previous handler.
using ShellHandler = std::function<int(const ShellRequest&)>;
ShellHandler setShellHandler(ShellHandler handler);

} // namespace platform
