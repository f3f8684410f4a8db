#pragma once

#include <QHash>
#include <QImage>
#include <QPushButton>
#include <map>
#include <memory>
#include <tuple>

class QStyleOptionButton;

// The three borders a pin state button can have: the template's single
// sunken edge, none at all (an input) and a heavy frame (an output).
enum class FrameLook { Sunken, Flat, Heavy };

// The drawings of the three looks. Each look, with its caption marked or
// not, is a style sheet parsed once into a model button that is never shown;
// what a model draws for a caption, size, state and palette is kept, so
// later paints of that kind are copies.
class FrameLookDrawings
{
public:
    FrameLookDrawings();
    ~FrameLookDrawings();

    const QImage &Drawing(FrameLook look, bool marked, const QStyleOptionButton &option, const QWidget &button);
    // After a change of font or style every kept drawing is stale.
    void Forget() { m_drawings.clear(); }

private:
    struct Key
    {
        FrameLook look;
        bool marked;
        QString text;
        int state;
        int features;
        QSize size;
        qreal pixelRatio;
        qint64 palette;
        bool operator==(const Key &) const = default;
        friend size_t qHash(const Key &key, size_t seed = 0)
        {
            return qHashMulti(seed, static_cast<int>(key.look), key.marked, key.text, key.state, key.features,
                              key.size.width(), key.size.height(), key.pixelRatio, key.palette);
        }
    };

    QPushButton &Model(FrameLook look, bool marked, const QColor &warning);

    std::map<std::tuple<int, bool, QRgb>, std::unique_ptr<QPushButton>> m_models;
    QHash<Key, QImage> m_drawings;
};

// A push button in one of the three looks, painted from FrameLookDrawings.
// Its drawing covers all of it, so nothing beneath it is repainted for it.
class FramedButton : public QPushButton
{
public:
    FramedButton(const QString &text, std::shared_ptr<FrameLookDrawings> drawings, QWidget *parent);

    FrameLook Look() const { return m_look; }
    // A new look is painted with the window's next paint; the look it
    // already has changes nothing.
    void SetLook(FrameLook look);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    std::shared_ptr<FrameLookDrawings> m_drawings;
    FrameLook m_look = FrameLook::Sunken;
    bool m_marked = false;
};

// The look of a FramedButton; other widgets have none and are left alone.
void SetFrameLook(QWidget *button, FrameLook look);
FrameLook GetFrameLook(const QWidget *button);
