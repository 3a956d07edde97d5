#pragma once

#include <QString>
#include <functional>
#include <vector>

// One falling drop of the About box's character rain: a column and the row of its head
// (0 at the top). It moves down one row on every speed-th step.
struct RainDrop
{
    int column = 0;
    int row = 0;
    int speed = 1;      // 1 ... 3
    int brightness = 0; // 0 ... 99
};

// A colour as three 0 ... 255 channels; the window turns it into a pen.
struct RainColour
{
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const RainColour &other) const
    {
        return red == other.red && green == other.green && blue == other.blue;
    }
};

// What one drop draws in one step, in drawing order: the black eraser cell, the trail
// character just above the head (unless the head is in row 0), the head character.
// Cells are grid positions; the window multiplies them by the cell size.
struct DropChar
{
    int column = 0;
    int eraserRow = 0;
    bool hasTrail = false;
    int trailRow = 0;
    RainColour trailColour;
    int headRow = 0;
    RainColour headColour;
    QChar character;
};

// The character rain as numbers: a grid of 8 x 12 pixel cells over the window's size,
// two drops per column, and each step's drawing as a list of DropChar. It knows nothing
// of pixels on screen, so the window only paints what stepMatrix returns.
class MatrixRain
{
public:
    static constexpr int MaxDrops = 5000;
    static constexpr int CharWidth = 8;
    static constexpr int CharHeight = 12;
    // How far above the head a drop's trail is erased.
    static constexpr int TrailLength = 40;

    // Returns a number in 0 ... bound - 1 (bound >= 1).
    using Random = std::function<int(int bound)>;

    // Without a generator, Qt's global one serves.
    explicit MatrixRain(Random random = Random());

    // The alphabet the rain draws from; must not be empty before a step.
    void setMatrixChars(const QString &chars) { m_matrixChars = chars; }
    QString matrixChars() const { return m_matrixChars; }

    // A fresh rain: the step counter back to 0, then setupMatrix.
    void startMatrix(int bitmapWidth, int bitmapHeight);
    // The grid for a window of this size in pixels, and new drops on it.
    void setupMatrix(int bitmapWidth, int bitmapHeight);
    // Two drops per column, from an empty table.
    void resetDrops();
    // One more drop in column dropCount mod matrixWidth, unless the table is full.
    void addDrop();
    // One step of every drop, in table order; returns what each drop draws.
    std::vector<DropChar> stepMatrix();

    // The cells drop draws with character c on a grid matrixHeight rows high.
    static DropChar drawDropChar(const RainDrop &drop, QChar c, int matrixHeight);
    // A shade of green for brightness 0 ... 99 (head) or a third of it (trail).
    static RainColour headColour(int brightness);
    static RainColour trailColour(int brightness);

    int matrixWidth() const { return m_matrixWidth; }
    int matrixHeight() const { return m_matrixHeight; }
    int matrixTick() const { return m_matrixTick; }
    int dropCount() const { return static_cast<int>(m_drops.size()); }
    const std::vector<RainDrop> &drops() const { return m_drops; }
    // For tests that place a drop by hand.
    std::vector<RainDrop> &drops() { return m_drops; }

private:
    int random(int bound) const { return m_random(bound); }

    Random m_random;
    QString m_matrixChars = QStringLiteral("tam");
    std::vector<RainDrop> m_drops;
    int m_matrixWidth = 0;
    int m_matrixHeight = 0;
    int m_matrixTick = 0;
};
