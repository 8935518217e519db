#pragma once
// A titled frame of mutually exclusive choices laid out in columns, read and
// set by item index (-1: none chosen).

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class QRadioButton;

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& objectName, const QString& title, const QStringList& items, int columns,
                QWidget* parent = nullptr);

    int ItemIndex() const;
    // An index outside the items clears the choice.
    void SetItemIndex(int index);
    int Count() const;
    QString ItemText(int index) const;
    QRadioButton* Button(int index) const;

signals:
    void ItemIndexChanged(int index);

private:
    QButtonGroup Group;
};
