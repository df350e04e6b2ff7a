// The toolkit's start, its dialogs answering for the desktop, screenshots and the event loop.

#include "gui/gui.h"
#include "gui/window_view.h"
#include "host/ui/window.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>

#include <cstdlib>

namespace hearth::gui {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

// A file filter as the scripts write it ("Excel 文件 (*.xls),*.xls,文本 (*.txt),*.txt"): the
// descriptions alone, as the toolkit's dialog takes them.
QString dialog_filter(const std::string& filter)
{
    const QStringList parts = qs(filter).split(QLatin1Char(','));
    QStringList names;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        names << parts[i].trimmed();
    return names.join(QStringLiteral(";;"));
}

std::int32_t host_rgb(const QColor& color) { return color.red() + color.green() * 256 + color.blue() * 65536; }

class QtDialogs : public DesktopFrontEnd {
public:
    int message_box(const MessageBoxRecord& record) override
    {
        static const std::map<Buttons, std::vector<QMessageBox::StandardButton>> sets {
            {Buttons::Ok, {QMessageBox::Ok}},
            {Buttons::OkCancel, {QMessageBox::Ok, QMessageBox::Cancel}},
            {Buttons::YesNo, {QMessageBox::Yes, QMessageBox::No}},
            {Buttons::YesNoCancel, {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}},
            {Buttons::RetryCancel, {QMessageBox::Retry, QMessageBox::Cancel}},
            {Buttons::AbortRetryIgnore, {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore}},
        };
        static const std::map<Icon, QMessageBox::Icon> icons {
            {Icon::Information, QMessageBox::Information},
            {Icon::StopSign, QMessageBox::Critical},
            {Icon::Exclamation, QMessageBox::Warning},
            {Icon::Question, QMessageBox::Question},
            {Icon::None, QMessageBox::NoIcon},
        };
        QMessageBox box(icons.at(record.icon), qs(record.title), qs(record.text));
        std::vector<QAbstractButton*> buttons;
        for (QMessageBox::StandardButton button : sets.at(record.buttons))
            buttons.push_back(box.addButton(button));
        box.setDefaultButton(static_cast<QPushButton*>(buttons[static_cast<std::size_t>(record.default_button - 1)]));
        box.setEscapeButton(buttons.back());
        box.exec();
        for (std::size_t i = 0; i < buttons.size(); ++i)
            if (box.clickedButton() == buttons[i])
                return static_cast<int>(i + 1);
        return static_cast<int>(buttons.size());
    }

    FileAnswer file_save_name(const FileDialogRecord& dialog) override
    {
        const QString start = dialog.pathname.empty() ? qs(dialog.initdir) : qs(dialog.pathname);
        const QString chosen
            = QFileDialog::getSaveFileName(nullptr, qs(dialog.title), start, dialog_filter(dialog.filter));
        return chosen.isEmpty() ? FileAnswer::cancel() : FileAnswer::chosen(chosen.toStdString());
    }

    std::optional<std::int32_t> choose_color(std::int32_t initial) override
    {
        const QColor start(initial & 0xff, (initial >> 8) & 0xff, (initial >> 16) & 0xff);
        const QColor chosen = QColorDialog::getColor(start);
        return chosen.isValid() ? std::optional<std::int32_t>(host_rgb(chosen)) : std::nullopt;
    }

    std::optional<std::string> ask_text(const std::string& title, const std::string& prompt,
                                        const std::string& text) override
    {
        bool ok = false;
        const QString entered = QInputDialog::getText(nullptr, qs(title), qs(prompt), QLineEdit::Normal, qs(text), &ok);
        return ok ? std::optional<std::string>(entered.toStdString()) : std::nullopt;
    }
};

// The size the frame (or the first window) is designed at, in pixels, with room for the menu.
QSize designed_size(WindowView& view)
{
    if (Window* main = view.frame())
        return {static_cast<int>(main->width * 7 / 32), static_cast<int>(main->height / 4) + 24};
    return {800, 600};
}

} // namespace

void start_toolkit(bool offscreen)
{
    if (QApplication::instance())
        return;
    if (offscreen)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The toolkit lives as long as the process: windows may still be torn down at exit.
    static int argc = 1;
    static char name[] = "hearth";
    static char* argv[] = {name, nullptr};
    auto* application = new QApplication(argc, argv);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(12);
    application->setFont(font);
}

Result<void> write_screenshot(Desktop& desktop, const std::filesystem::path& file, int width, int height)
{
    start_toolkit(true);
    FrontWindow window(desktop);
    window.resize(width, height);
    window.sync();
    window.show();
    window.view().repaint();
    const QImage image = window.grab().toImage();
    QSaveFile out(qs(file.string()));
    if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit())
        return Result<void>::failure("写不出截图：" + file.string() + "（" + out.errorString().toStdString() + "）");
    return {};
}

int run_window(Desktop& desktop, const std::function<bool()>& when_none_open)
{
    start_toolkit(false);
    QtDialogs dialogs;
    desktop.set_front_end(&dialogs);
    int status = 0;
    {
        FrontWindow window(desktop);
        window.set_when_none_open(when_none_open);
        window.sync();
        window.resize(designed_size(window.view()).expandedTo(QSize(640, 480)));
        window.show();
        status = QApplication::exec();
    }
    desktop.set_front_end(nullptr);
    return status;
}

} // namespace hearth::gui
