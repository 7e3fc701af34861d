#pragma once

#include <QWidget>

// A plain panel drawn with the classic frame of the dialogs: an optional
// single border line, then an outer and an inner bevel (raised, lowered or
// none), each bevelWidth wide, bevelGap apart.
class BevelPanel : public QWidget
{
    Q_OBJECT

public:
    enum class Bevel { None, Raised, Lowered };

    struct Frame
    {
        bool borderLine = false;
        Bevel outer = Bevel::None;
        Bevel inner = Bevel::None;
        int bevelWidth = 1;
        int bevelGap = 0;
    };

    explicit BevelPanel(const Frame& frame, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Frame m_frame;
};
