#pragma once

class QEvent;
class QWidget;

// A label used as a link in a window that can be dragged by its body. The link's mouse
// events stop at the link, so pressing it never starts a drag; it is clicked by a left
// release over it that ends a left press made on it, so a drag that began elsewhere
// never opens it.
class LinkGesture
{
public:
    enum class Outcome
    {
        NotTaken, // not a mouse event of the link's: the window handles it
        Taken,    // the link's, and nothing more happens
        Clicked,  // the link's, and it was clicked
    };

    Outcome filter(const QWidget *link, QEvent *event);

private:
    bool m_pressed = false;
};
