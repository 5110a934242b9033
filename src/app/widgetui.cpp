#include "app/widgetui.h"

#include <QApplication>
#include <QMessageBox>

int WidgetUi::messageBox(const QString &text, int style, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setText(text);
    box.setWindowTitle(title.isEmpty() ? QApplication::applicationDisplayName() : title);
    switch (style & 0x70) {
    case ui::Critical: box.setIcon(QMessageBox::Critical); break;
    case ui::Question: box.setIcon(QMessageBox::Question); break;
    case ui::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case ui::Information: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (style & 7) {
    case ui::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case 2: box.setStandardButtons(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore); break;
    case 3: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case ui::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case 5: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return ui::Ok;
    case QMessageBox::Cancel: return ui::Cancel;
    case QMessageBox::Abort: return 3;
    case QMessageBox::Retry: return 4;
    case QMessageBox::Ignore: return 5;
    case QMessageBox::Yes: return ui::Yes;
    case QMessageBox::No: return ui::No;
    default: return ui::Cancel;
    }
}

void WidgetUi::doEvents()
{
    QApplication::processEvents();
}

void WidgetUi::presentMessage(int level, const QString &source, const QString &text)
{
    const int icon = level >= 8 ? ui::Critical : level >= 4 ? ui::Exclamation : ui::Information;
    messageBox(text, ui::OkOnly | icon, source);
}
