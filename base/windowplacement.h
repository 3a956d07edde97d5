#pragma once

// Who places the program's top-level windows on the screen: the program itself under
// X11 and Windows; under Wayland the compositor alone, which ignores a program's move()
// of a top-level window and takes a move only as a drag it runs itself.
class WindowPlacement
{
public:
    static bool byCompositor();
};
