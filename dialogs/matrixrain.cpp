#include "dialogs/matrixrain.h"

#include <QRandomGenerator>

MatrixRain::MatrixRain(Random random) : m_random(std::move(random))
{
    if (!m_random)
        m_random = [](int bound) { return QRandomGenerator::global()->bounded(bound); };
    m_drops.reserve(MaxDrops);
}

void MatrixRain::StartMatrix(int bitmapWidth, int bitmapHeight)
{
    m_matrixTick = 0;
    SetupMatrix(bitmapWidth, bitmapHeight);
}

void MatrixRain::SetupMatrix(int bitmapWidth, int bitmapHeight)
{
    m_matrixWidth = bitmapWidth / CharWidth;
    m_matrixHeight = bitmapHeight / CharHeight;
    ResetDrops();
}

void MatrixRain::ResetDrops()
{
    m_drops.clear();
    for (int i = 0; i < 2 * m_matrixWidth; ++i)
        AddDrop();
}

void MatrixRain::AddDrop()
{
    // A grid without columns or rows has no place for a drop.
    if (DropCount() >= MaxDrops || m_matrixWidth <= 0 || m_matrixHeight <= 0)
        return;
    TMatrixDrop drop;
    drop.Column = DropCount() % m_matrixWidth;
    drop.Row = random(m_matrixHeight);
    drop.Speed = 1 + random(3);
    drop.Brightness = random(100);
    m_drops.push_back(drop);
}

std::vector<DropChar> MatrixRain::StepMatrix()
{
    std::vector<DropChar> drawn;
    drawn.reserve(m_drops.size());
    const int letters = static_cast<int>(m_matrixChars.size());
    for (TMatrixDrop &drop : m_drops) {
        const QChar c = letters > 0 ? m_matrixChars.at(random(letters)) : QChar(u' ');
        drawn.push_back(DrawDropChar(drop, c, m_matrixHeight));
        if (m_matrixTick % drop.Speed != 0)
            continue;
        ++drop.Row;
        // The head has left the grid (with one spare row): start again at the top.
        if (drop.Row > m_matrixHeight + 1) {
            drop.Row = 0;
            drop.Speed = 1 + random(3);
            drop.Brightness = random(100);
        }
    }
    ++m_matrixTick;
    return drawn;
}

DropChar MatrixRain::DrawDropChar(const TMatrixDrop &drop, QChar c, int matrixHeight)
{
    DropChar cells;
    cells.column = drop.Column;
    cells.character = c;
    // The erased row wraps modulo matrixHeight + 1 while the head is near the top.
    int r = drop.Row - TrailLength;
    if (r < 0)
        r = matrixHeight + 1 - ((-r) % (matrixHeight + 1));
    cells.eraserRow = r % (matrixHeight + 1);
    cells.hasTrail = drop.Row > 0;
    cells.trailRow = drop.Row - 1;
    cells.trailColour = trailColour(drop.Brightness);
    cells.headRow = drop.Row;
    cells.headColour = headColour(drop.Brightness);
    return cells;
}

namespace {
RainColour green(int b)
{
    return {b * 150 / 255, b, b * 100 / 255};
}
} // namespace

RainColour MatrixRain::headColour(int brightness)
{
    return green(brightness * 255 / 100);
}

RainColour MatrixRain::trailColour(int brightness)
{
    return green(brightness * 255 / 100 / 3);
}
