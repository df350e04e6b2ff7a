#include "library/statusbar/uo_statictext.h"

#include "host/object/runtime.h"
#include "library/frame/application.h"

namespace hearth {

namespace {
// Character set 134: GB2312.
constexpr std::int32_t charset_gb2312 = 134;
} // namespace

uo_statictext::uo_statictext()
{
    width = 402;
    height = 48;
    textsize = -9;
    weight = 400;
    fontcharset = charset_gb2312;
    fontpitch = FontPitch::Variable;
    facename = "宋体";
    // Both colours are replaced by the application's in constructor.
    textcolor = colors::window_text;
    backcolor = colors::button_face;
    focusrectangle = false;
}

ScriptResult uo_statictext::constructor(ScriptCall& call)
{
    if (AppGlobals* globals = app_globals(call, "gl_backcolor"))
        backcolor = globals->gl_backcolor;
    if (AppGlobals* globals = app_globals(call, "gl_textcolor"))
        textcolor = globals->gl_textcolor;
    return no_return;
}

void uo_statictext::set_text(const Value& value)
{
    if (value.is_null()) {
        text.clear();
        m_text_state = TextState::Null;
        return;
    }
    text = value.as_string();
    m_text_state = TextState::Set;
}

Value uo_statictext::text_value() const
{
    // `text` may have been written directly since the null; a non-empty text is not null.
    if (m_text_state == TextState::Null && text.empty())
        return Value::null_of(Type::String);
    return Value(text);
}

const ClassTable& _getVtableInfo_uo_statictext()
{
    static const ClassTable table {"uo_statictext",
                                   "statictext",
                                   make_object<uo_statictext>,
                                   {},
                                   {{own_group,
                                     "",
                                     {},
                                     {{0, "create", create_script},
                                      {1, "destroy", destroy_script},
                                      {35, "constructor", on_self<&uo_statictext::constructor>}}}}};
    return table;
}

} // namespace hearth
