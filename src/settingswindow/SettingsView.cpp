#include "settingswindow/SettingsView.h"

#include "settingswindow/GeneralTab.h"
#include "settingswindow/PresetsTab.h"
#include "settingswindow/RewritingTab.h"
#include "settingswindow/SettingsModel.h"
#include "settingswindow/ShortcutsTab.h"
#include "settingswindow/ViewStyle.h"

#include <QFrame>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

SettingsView::SettingsView(SettingsModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    m_tabs = new QTabWidget(this);
    const auto themed = [](const char* name, QStyle::StandardPixmap fallback, QWidget* widget) {
        return QIcon::fromTheme(QLatin1String(name), widget->style()->standardIcon(fallback));
    };
    m_tabs->addTab(new GeneralTab(model, m_tabs),
                   themed("preferences-system", QStyle::SP_FileDialogDetailedView, this),
                   QStringLiteral("General"));
    m_tabs->addTab(new ShortcutsTab(model, m_tabs),
                   themed("input-keyboard", QStyle::SP_ComputerIcon, this),
                   QStringLiteral("Shortcut"));
    m_tabs->addTab(new RewritingTab(model, m_tabs),
                   themed("format-justify-left", QStyle::SP_FileDialogContentsView, this),
                   QStringLiteral("Rewriting"));
    m_tabs->addTab(new PresetsTab(model, m_tabs),
                   themed("preferences-desktop", QStyle::SP_FileDialogListView, this),
                   QStringLiteral("Styles"));
    auto* tabsHolder = new QVBoxLayout();
    tabsHolder->setContentsMargins(14, 14, 14, 14);
    tabsHolder->addWidget(m_tabs);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    m_usage = ViewStyle::captionLabel(QString(), this);
    m_usage->setWordWrap(false);
    auto* usageHolder = new QVBoxLayout();
    usageHolder->setContentsMargins(18, 8, 18, 8);
    usageHolder->addWidget(m_usage);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(tabsHolder, 1);
    layout->addWidget(divider);
    layout->addLayout(usageHolder);

    connect(&m_model, &SettingsModel::usageChanged, this,
            [this] { m_usage->setText(m_model.usage().summary()); });
    m_usage->setText(m_model.usage().summary());
}

QString SettingsView::usageText() const {
    return m_usage->text();
}

void SettingsView::showEvent(QShowEvent* event) {
    m_model.refreshUsage();
    QWidget::showEvent(event);
}
