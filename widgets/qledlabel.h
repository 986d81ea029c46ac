#ifndef QLEDLABEL_H
#define QLEDLABEL_H

#include <QLabel>

// A 14 x 14 round LED drawn entirely by a style sheet on a plain label.
class QLedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit QLedLabel(QWidget *parent = nullptr);

    // A fixed underlying type keeps any int a valid State, so out-of-range values can show red.
    enum State : int { StateRed, StateGreen, StateBlue, StateOrange, StateYellow };

public slots:
    void setState(State state);
    void setState(bool state);
};

#endif // QLEDLABEL_H
