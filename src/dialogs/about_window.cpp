// SPDX-License-Identifier: MIT
#include "dialogs/about_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#ifndef ARBOLITH_VERSION
#error "the build passes the program's version as ARBOLITH_VERSION"
#endif

namespace arbolith {

QString BuildVersion()
{
    return QStringLiteral(ARBOLITH_VERSION);
}

QString VersionLine(const QString& version)
{
    const QStringList parts = version.trimmed().split(QLatin1Char('.'));
    QStringList numbers;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const uint value = i < parts.size() ? parts[i].toUInt(&ok) : 0;
        numbers << QString::number(ok ? value : 0);
    }
    return QStringLiteral("Version ") + numbers.join(QLatin1Char('.'));
}

frmAbout::frmAbout(ScreenPixels screen, QWidget* parent) : QDialog(parent)
{
    setObjectName("frmAbout");
    setWindowTitle(QApplication::applicationDisplayName());

    auto* icon = new QLabel;
    icon->setObjectName("picIcon");
    const int side = fontMetrics().height() * 4;
    icon->setPixmap(QIcon(QStringLiteral(":/icons/arbolith.svg")).pixmap(QSize(side, side)));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    m_title = new QLabel(QStringLiteral("Arbolith"));
    m_title->setObjectName("lblTitle");
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    m_title->setFont(titleFont);
    m_version = new QLabel(VersionLine(BuildVersion()));
    m_version->setObjectName("lblZVVersion");
    m_description = new QLabel(QStringLiteral(
        "Arbolith (TM) is a programmer's tool designed to provide a structured view of type libraries."));
    m_description->setObjectName("lblDescription");
    m_description->setWordWrap(true);
    m_disclaimer = new QLabel(QStringLiteral(
        "This program is provided as is, without warranty of any kind. It reads the libraries you choose and "
        "never changes them; the models it makes are its own files."));
    m_disclaimer->setObjectName("lblDisclaimer");
    m_disclaimer->setWordWrap(true);
    m_ok = new QPushButton(QStringLiteral("OK"));
    m_ok->setObjectName("cmdOK");
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_title);
    texts->addWidget(m_version);
    texts->addSpacing(fontMetrics().height());
    texts->addWidget(m_description);
    texts->addSpacing(fontMetrics().height() / 2);
    texts->addWidget(m_disclaimer);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(fontMetrics().averageCharWidth() * 2);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    m_description->setMinimumWidth(fontMetrics().averageCharWidth() * 48);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    CenterForm(*this, screen);
}

}  // namespace arbolith
