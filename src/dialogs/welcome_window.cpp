// SPDX-License-Identifier: MIT
#include "dialogs/welcome_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace arbolith {

namespace {

QString Paragraphs(std::initializer_list<const char*> paragraphs)
{
    QStringList parts;
    for (const char* paragraph : paragraphs) parts << QString::fromUtf8(paragraph);
    return parts.join(QStringLiteral("\n\n"));
}

}  // namespace

const char* WelcomeSwitchKey(WelcomeKind kind)
{
    return kind == WelcomeKind::Welcome ? "NoWelcome" : "NoWizardSplash";
}

bool WelcomeWanted(WelcomeKind kind, const std::filesystem::path& settingsFile, const IniErrorSink& onError)
{
    return !GetIniBoolean(kWelcomeSection, WelcomeSwitchKey(kind), false, settingsFile, onError);
}

QString WelcomeText(WelcomeKind kind)
{
    if (kind == WelcomeKind::Welcome)
        return Paragraphs({
            "Welcome to Arbolith, a programmer's tool for creating and viewing object models from object libraries.",
            "The first step in using ARL is to locate the desired object libraries on your system and create object "
            "models from those libraries. The Create Model Wizard is designed to guide you through these steps. Note "
            "that this is a one-time process. Once a model is created, ARL will store the data for that model. You "
            "can then use the Models menu to view the model.",
            "Details on using the Create Model Wizard are available by opening the Wizard (under the File menu) and "
            "clicking on the Help button.",
        });
    return Paragraphs({
        "Welcome to the Create Model Wizard, which is designed to help you create an object model from an object "
        "library, or to customize an existing object model data file (DAT file).",
        "The Wizard is a very powerful tool and hence also fairly complex. Thus, we strongly suggest that you read "
        "the Wizard help documentation before using the Wizard. You can't do any harm by experimenting, but you may "
        "find it very difficult to construct a usable model without a clear understanding of how the Wizard works. "
        "To access help, just click the Help button in the upper right corner of the Wizard.",
        "We have also included a short (albeit incomplete) set of numbered instructions at the top of the Wizard.",
    });
}

frmWelcome::frmWelcome(WelcomeKind kind, std::filesystem::path settingsFile, IniErrorSink onError, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_settingsFile(std::move(settingsFile)), m_onError(std::move(onError))
{
    const bool welcome = kind == WelcomeKind::Welcome;
    setObjectName(welcome ? "frmWelcome" : "frmWizardSplash");
    setWindowTitle(welcome ? QApplication::applicationDisplayName() : QStringLiteral("Create Model Wizard"));
    if (welcome && parent) setWindowIcon(parent->window()->windowIcon());

    auto* layout = new QVBoxLayout(this);
    if (!welcome) {
        auto* heading = new QLabel(QStringLiteral("Welcome"));
        heading->setObjectName("lblHeading");
        QFont font = heading->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.5);
        heading->setFont(font);
        layout->addWidget(heading);
    }
    m_text = new QLabel(WelcomeText(kind));
    m_text->setObjectName(welcome ? "lblWelcome" : "lblWizardSplash");
    m_text->setWordWrap(true);
    // About sixty letters a line, in whatever font the desktop gives.
    m_text->setMinimumWidth(fontMetrics().averageCharWidth() * 64);
    layout->addWidget(m_text);

    m_noShow = new QCheckBox(welcome ? QStringLiteral("Do not show this dialog on startup")
                                     : QStringLiteral("Do not show this dialog again"));
    m_noShow->setObjectName(welcome ? "chkNoWelcome" : "chkNoWizardSplash");
    m_noShow->setChecked(!WelcomeWanted(kind, m_settingsFile, m_onError));
    m_ok = new QPushButton(QStringLiteral("OK"));
    m_ok->setObjectName(welcome ? "cmdWelcome" : "cmdWizardSplash");
    m_ok->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addWidget(m_noShow);
    row->addStretch();
    row->addWidget(m_ok);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_ok, &QPushButton::clicked, this, [this] { ButtonPressed(); });
}

void frmWelcome::ButtonPressed()
{
    // One key, written into the file as it is now: what others wrote stays.
    PutIniBoolean(kWelcomeSection, WelcomeSwitchKey(m_kind), m_noShow->isChecked(), m_settingsFile, m_onError);
    accept();
}

}  // namespace arbolith
