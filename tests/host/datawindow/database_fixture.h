#pragma once
// DataWindow objects over the shared test schema, for the Retrieve and Update tests that run
// on both backends (the backend fixture lives with the transaction tests).

#include "host/datawindow/database.h"
#include "tests/host/sql/backend_fixture.h"

#include <memory>

namespace hearth::dw::test {

// Persons of a household, keyed by PersonNo; updatewhere and key-in-place as given.
inline std::string person_source(int update_where = 1, bool key_in_place = false)
{
    return fmt::format(R"(release 10;
datawindow(units=0 )
header(height=80 )
detail(height=88 )
table(column=(type=char(20) update=yes updatewhereclause=yes key=yes name=personno dbname="tc_ge_personinfo.PersonNo" )
 column=(type=char(40) update=yes updatewhereclause=yes name=name dbname="tc_ge_personinfo.Name" )
 column=(type=char(20) update=yes updatewhereclause=yes name=rprno dbname="tc_ge_personinfo.RprNo" )
 column=(type=long update=yes updatewhereclause=yes name=age dbname="tc_ge_personinfo.Age" )
 retrieve="SELECT PersonNo, Name, RprNo, Age FROM tc_ge_personinfo WHERE RprNo = :as_rprno ORDER BY PersonNo"
 update="tc_ge_personinfo" updatewhere={} updatekeyinplace={}
 arguments=(("as_rprno", string)) )
)",
                       update_where, key_in_place ? "yes" : "no");
}

// Every column type over t_types.
inline std::string types_source()
{
    return R"(release 10;
datawindow(units=0 )
detail(height=88 )
table(column=(type=long key=yes update=yes updatewhereclause=yes name=id dbname="t_types.id" )
 column=(type=char(40) update=yes updatewhereclause=yes name=s dbname="t_types.s" )
 column=(type=long update=yes updatewhereclause=yes name=l dbname="t_types.l" )
 column=(type=int update=yes updatewhereclause=yes name=i dbname="t_types.i" )
 column=(type=ulong update=yes updatewhereclause=yes name=u dbname="t_types.u" )
 column=(type=decimal(10) update=yes updatewhereclause=yes name=d dbname="t_types.d" )
 column=(type=real update=yes updatewhereclause=no name=r dbname="t_types.r" )
 column=(type=number update=yes updatewhereclause=no name=f dbname="t_types.f" )
 column=(type=date update=yes updatewhereclause=yes name=dt dbname="t_types.dt" )
 column=(type=datetime update=yes updatewhereclause=yes name=ts dbname="t_types.ts" )
 column=(type=time update=yes updatewhereclause=yes name=tm dbname="t_types.tm" )
 retrieve="SELECT id, s, l, i, u, d, r, f, dt, ts, tm FROM t_types ORDER BY id"
 update="t_types" updatewhere=1 updatekeyinplace=no )
)";
}

inline std::unique_ptr<Engine> engine_from(const std::string& source)
{
    auto engine = std::make_unique<Engine>();
    auto object = ObjectDefinition::parse(source, "test.srd");
    EXPECT_TRUE(object.ok()) << (object.ok() ? "" : object.error());
    if (object.ok()) {
        auto assigned = engine->set_object(std::move(*object));
        EXPECT_TRUE(assigned.ok());
    }
    return engine;
}

class DatabaseTest : public hearth::test::BackendTest {
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        run_all({
            "INSERT INTO tc_ge_personinfo (PersonNo, Name, RprNo, Age) VALUES ('P1', 'Li', 'R1', 40)",
            "INSERT INTO tc_ge_personinfo (PersonNo, Name, RprNo, Age) VALUES ('P2', 'Wang', 'R1', 12)",
            "INSERT INTO tc_ge_personinfo (PersonNo, Name, RprNo, Age) VALUES ('P3', 'Zhao', 'R2', NULL)",
        });
    }

    // The persons as another client sees them: "no:name:age;" in key order.
    std::string stored()
    {
        Transaction observer("observer");
        configure_other(observer);
        EXPECT_EQ(observer.connect(), 0) << observer.sql_err_text();
        std::string out;
        observer.query("SELECT PersonNo, Name, Age FROM tc_ge_personinfo ORDER BY PersonNo", {},
                       [&](const sql::ResultRow& row) {
                           out += fmt::format("{}:{}:{};", row.text(0), row.text(1), row.text(2));
                           return RowAction::Continue;
                       });
        return out;
    }
};

inline std::string item_text(const Engine& engine, long row, const char* column, Buffer buffer = Buffer::Primary)
{
    const Value v = engine.get_item(row, column, buffer);
    if (v.is_null())
        return "null";
    if (v.is_string())
        return v.as_string();
    return std::to_string(v.as_integral());
}

} // namespace hearth::dw::test
