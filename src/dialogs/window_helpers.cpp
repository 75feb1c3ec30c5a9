// SPDX-License-Identifier: MIT
#include "dialogs/window_helpers.h"

#include <QEventLoop>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace arbolith {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::int16_t CheckedFontSize(std::int16_t size)
{
    return size < 4 || size > 36 ? 8 : size;
}

void SetPointSize(QWidget* widget, int points)
{
    if (!widget) return;
    QFont font = widget->font();
    font.setPointSize(points);
    widget->setFont(font);
}

}  // namespace

QPoint CenteredOnScreen(ScreenPixels screen, QSize windowSize)
{
    if (screen.width == 0 || screen.height == 0) return {0, 0};
    // A negative place would put the title bar above the screen's top edge,
    // out of reach of the mouse.
    return {std::max((screen.width - windowSize.width()) / 2, 0),
            std::max((screen.height - windowSize.height()) / 2, 0)};
}

void CenterForm(QWidget& window, ScreenPixels screen)
{
    window.move(CenteredOnScreen(screen, window.frameGeometry().size()));
}

CenterDirection ParseCenterDirection(std::string_view direction)
{
    if (EqualsNoCase(direction, "both")) return {true, true};
    if (EqualsNoCase(direction, "vertically")) return {true, false};
    if (EqualsNoCase(direction, "horizontally")) return {false, true};
    return {};
}

QPoint CenteredInContainer(QPoint controlPos, QSize controlSize, QSize containerSize, CenterDirection direction)
{
    QPoint pos = controlPos;
    if (direction.vertically) pos.setY((containerSize.height() - controlSize.height()) / 2);
    if (direction.horizontally) pos.setX((containerSize.width() - controlSize.width()) / 2);
    return pos;
}

void CenterControl(QWidget& control, std::string_view direction)
{
    const QWidget* container = control.parentWidget();
    if (!container) return;
    control.move(
        CenteredInContainer(control.pos(), control.size(), container->size(), ParseCenterDirection(direction)));
}

FontSizes CheckedFontSizes(FontSizes sizes)
{
    sizes.textbox = CheckedFontSize(sizes.textbox);
    sizes.label = CheckedFontSize(sizes.label);
    sizes.tree = CheckedFontSize(sizes.tree);
    sizes.listbox = CheckedFontSize(sizes.listbox);
    return sizes;
}

void ApplyFontSizes(FontSizes& sizes, const FontTargets& targets)
{
    sizes = CheckedFontSizes(sizes);
    // The form first: its children without a size of their own follow it.
    SetPointSize(targets.form, sizes.textbox);
    SetPointSize(targets.statusBox, sizes.textbox);
    SetPointSize(targets.objectTree, sizes.tree);
    SetPointSize(targets.propertyTree, sizes.listbox);
    SetPointSize(targets.methodTree, sizes.listbox);
    if (targets.form) {
        for (QLabel* label : targets.form->findChildren<QLabel*>()) SetPointSize(label, sizes.label);
    }
}

void FlashMessage(QWidget& window, std::string_view message, double seconds)
{
    QPointer<QPushButton> button = window.findChild<QPushButton*>("cmdFlash");
    if (!button) return;
    const QString text = QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    button->setText(text);

    // Measured in the font of the area the button sits in, the form's client area.
    const QFontMetrics form(button->parentWidget()->font());
    button->resize(form.horizontalAdvance(QString(text.size() + 20, QLatin1Char('E'))), 2 * form.lineSpacing());
    CenterControl(*button, "both");
    button->raise();
    button->show();

    // A nested event loop ended by a single-shot timer: Qt's timers run on
    // the monotonic clock, and the loop keeps painting and input going.
    QEventLoop wait;
    QTimer::singleShot(std::max(0, static_cast<int>(std::lround(seconds * 1000.0))), &wait, &QEventLoop::quit);
    wait.exec();

    if (button)  // the window may have been closed meanwhile
        button->hide();
}

}  // namespace arbolith
