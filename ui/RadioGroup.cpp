#include "ui/RadioGroup.h"

#include <QGridLayout>
#include <QRadioButton>

TRadioGroup::TRadioGroup(const QString& objectName, const QString& title, const QStringList& items,
                         int columns, QWidget* parent)
    : QGroupBox(title, parent), Group(this)
{
    setObjectName(objectName);
    auto* grid = new QGridLayout(this);
    const int perRow = std::max(columns, 1);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        // Items run down each column first, as a radio group lays them out.
        const int rows = (static_cast<int>(items.size()) + perRow - 1) / perRow;
        grid->addWidget(button, i % rows, i / rows);
        Group.addButton(button, i);
    }
    connect(&Group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            emit ItemIndexChanged(id);
        }
    });
}

int TRadioGroup::ItemIndex() const
{
    return Group.checkedId();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (QAbstractButton* button = Group.button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group does not let its last checked button go.
    Group.setExclusive(false);
    for (QAbstractButton* b : Group.buttons()) {
        b->setChecked(false);
    }
    Group.setExclusive(true);
}

int TRadioGroup::Count() const
{
    return static_cast<int>(Group.buttons().size());
}

QString TRadioGroup::ItemText(int index) const
{
    QAbstractButton* button = Group.button(index);
    return button != nullptr ? button->text() : QString();
}

QRadioButton* TRadioGroup::Button(int index) const
{
    return qobject_cast<QRadioButton*>(Group.button(index));
}
