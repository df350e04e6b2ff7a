// Message boxes, file, colour and text dialogs, answered by the scripted user and recorded.

#include "host/ui/desktop.h"

#include "host/value/functions.h"

#include <array>
#include <filesystem>

namespace hearth {

namespace {

struct ButtonSet {
    Buttons buttons;
    std::string_view name;
    int count;
};

// The runtime's button sets with their names and sizes.
constexpr std::array<ButtonSet, 6> button_sets {{
    {Buttons::Ok, "OK!", 1},
    {Buttons::OkCancel, "OKCancel!", 2},
    {Buttons::YesNo, "YesNo!", 2},
    {Buttons::YesNoCancel, "YesNoCancel!", 3},
    {Buttons::RetryCancel, "RetryCancel!", 2},
    {Buttons::AbortRetryIgnore, "AbortRetryIgnore!", 3},
}};

constexpr std::array<std::pair<Icon, std::string_view>, 5> icons {{
    {Icon::Information, "Information!"},
    {Icon::StopSign, "StopSign!"},
    {Icon::Exclamation, "Exclamation!"},
    {Icon::Question, "Question!"},
    {Icon::None, "None!"},
}};

const ButtonSet& button_set(Buttons buttons)
{
    for (const ButtonSet& set : button_sets)
        if (set.buttons == buttons)
            return set;
    assert(false && "every button set has a row");
    return button_sets[0];
}

} // namespace

std::string_view icon_name(Icon icon)
{
    for (const auto& [i, name] : icons)
        if (i == icon)
            return name;
    assert(false && "every icon has a row");
    return {};
}

std::string_view buttons_name(Buttons buttons) { return button_set(buttons).name; }

int button_count(Buttons buttons) { return button_set(buttons).count; }

Value Desktop::message_box(const Value& title, const Value& text, Icon icon, Buttons buttons,
                           const Value& default_button)
{
    if (title.is_null() || text.is_null() || default_button.is_null())
        return Value::null_of(Type::Integer);
    const int count = button_count(buttons);
    MessageBoxRecord box;
    box.title = title.is_string() ? title.as_string() : fn::to_string(title).as_string();
    box.text = text.is_string() ? text.as_string() : fn::to_string(text).as_string();
    box.icon = icon;
    box.buttons = buttons;
    const std::int64_t wanted = default_button.is_integral() ? default_button.as_integral() : 1;
    box.default_button = wanted >= 1 && wanted <= count ? static_cast<int>(wanted) : 1;
    if (m_front_end) {
        const int pressed = m_front_end->message_box(box);
        box.answer = pressed >= 1 && pressed <= count ? pressed : -1;
    } else if (m_box_answers.empty()) {
        box.answer = box.default_button;
    } else {
        const int scripted = m_box_answers.front();
        m_box_answers.pop_front();
        box.answer = scripted >= 1 && scripted <= count ? scripted : -1;
    }
    m_boxes.push_back(box);
    if (m_observer)
        m_observer->message_box(box);
    return Value::integer(static_cast<std::int16_t>(box.answer));
}

Value Desktop::get_file_save_name(const Value& title, std::string& pathname, std::string& filename,
                                  const Value& extension, const Value& filter, const Value& initdir)
{
    if (title.is_null() || extension.is_null() || filter.is_null() || initdir.is_null())
        return Value::null_of(Type::Integer);
    auto text = [](const Value& v) { return v.is_string() ? v.as_string() : fn::to_string(v).as_string(); };
    FileDialogRecord dialog;
    dialog.title = text(title);
    dialog.pathname = pathname;
    dialog.extension = text(extension);
    dialog.filter = text(filter);
    dialog.initdir = text(initdir);

    FileAnswer answer = FileAnswer::cancel(); // a user who does nothing cancels
    if (m_front_end) {
        answer = m_front_end->file_save_name(dialog);
    } else if (!m_file_answers.empty()) {
        answer = std::move(m_file_answers.front());
        m_file_answers.pop_front();
    }
    switch (answer.kind) {
    case FileAnswer::Kind::Chosen: {
        std::filesystem::path chosen(answer.path);
        // The dialog appends the default extension to a name typed without one.
        if (!chosen.has_extension() && !dialog.extension.empty())
            chosen += "." + dialog.extension;
        dialog.chosen = chosen.string();
        dialog.result = 1;
        pathname = dialog.chosen;
        filename = chosen.filename().string();
        break;
    }
    case FileAnswer::Kind::Cancel: dialog.result = 0; break;
    case FileAnswer::Kind::Error: dialog.result = -1; break;
    }
    m_file_dialogs.push_back(dialog);
    return Value::integer(static_cast<std::int16_t>(dialog.result));
}

int Desktop::choose_color(std::int32_t& color)
{
    ColorDialogRecord dialog;
    dialog.initial = color;
    if (m_front_end) {
        if (const std::optional<std::int32_t> answer = m_front_end->choose_color(color)) {
            dialog.result = 1;
            dialog.chosen = *answer;
            color = *answer;
        }
    } else if (!m_color_answers.empty()) {
        if (const std::optional<std::int32_t> answer = m_color_answers.front()) {
            dialog.result = 1;
            dialog.chosen = *answer;
            color = *answer;
        }
        m_color_answers.pop_front();
    }
    m_color_dialogs.push_back(dialog);
    if (m_observer)
        m_observer->color_dialog(dialog);
    return dialog.result;
}

int Desktop::ask_text(const std::string& title, const std::string& prompt, std::string& text)
{
    TextDialogRecord dialog;
    dialog.title = title;
    dialog.prompt = prompt;
    if (m_front_end) {
        if (std::optional<std::string> answer = m_front_end->ask_text(title, prompt, text)) {
            dialog.result = 1;
            dialog.text = *answer;
            text = std::move(*answer);
        }
    } else if (!m_text_answers.empty()) {
        if (const std::optional<std::string>& answer = m_text_answers.front()) {
            dialog.result = 1;
            dialog.text = *answer;
            text = *answer;
        }
        m_text_answers.pop_front();
    }
    m_text_dialogs.push_back(dialog);
    if (m_observer)
        m_observer->text_dialog(dialog);
    return dialog.result;
}

int Desktop::print_dialog(const std::string& printer, std::string& chosen)
{
    PrintDialogRecord dialog;
    dialog.offered = printer;
    if (!m_print_answers.empty()) {
        if (const std::optional<std::string>& answer = m_print_answers.front()) {
            dialog.result = 1;
            dialog.chosen = answer->empty() ? printer : *answer;
            chosen = dialog.chosen;
        }
        m_print_answers.pop_front();
    }
    m_print_dialogs.push_back(dialog);
    if (m_observer)
        m_observer->print_dialog(dialog);
    return dialog.result;
}

int Desktop::page_setup_dialog(const std::string& printer, PageSetupChoice& choice)
{
    PageSetupDialogRecord dialog;
    dialog.printer = printer;
    dialog.initial = choice;
    if (!m_page_setup_answers.empty()) {
        if (const std::optional<PageSetupChoice>& answer = m_page_setup_answers.front()) {
            dialog.result = 1;
            dialog.chosen = *answer;
            choice = *answer;
        }
        m_page_setup_answers.pop_front();
    }
    m_page_setup_dialogs.push_back(dialog);
    if (m_observer)
        m_observer->page_setup_dialog(dialog);
    return dialog.result;
}

} // namespace hearth
