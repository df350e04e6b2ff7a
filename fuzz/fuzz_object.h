#pragma once
// The object the Describe/Modify and expression fuzzers work on: every column type, texts,
// computes, a bitmap and a line, with a few rows including nulls.

#include "host/datawindow/datawindow.h"

#include <cstdlib>

namespace hearth::dw::fuzz {

inline const char* object_source = R"src(release 10;
datawindow(units=0 color=1073741824)
header(height=80)
detail(height=88)
table(column=(type=char(10) name=rprno key=yes dbname="t.rprno")
 column=(type=char(20) update=yes name=name dbname="t.name")
 column=(type=long update=yes name=personnum initial="1")
 column=(type=decimal(2) name=amount)
 column=(type=date name=birthday)
 column=(type=datetime name=stamp)
 column=(type=time name=clock)
 column=(type=number name=ratio)
 column=(type=int name=small)
 column=(type=ulong name=big)
 retrieve="SELECT rprno FROM t" update="t" updatewhere=1 sort="rprno A")
text(band=header text="x" name=rprno_t x="1" y="2" width="3" height="4" tag="1")
column(band=detail id=1 name=rprno x="10" tabsequence=10 edit.vscrollbar=no)
column(band=detail id=4 name=amount color="0~tif(amount<0,255,0)" ddlb.limit=0)
compute(band=detail expression="personnum * 2" name=c_double)
compute(band=detail expression="upper(name) + rprno" name=c_label)
bitmap(band=header filename="a.bmp" name=p_a)
line(band=detail x1="0" y1="1" x2="2" y2="3" name=l_1)
)src";

inline const char* object_rows = "R1\tAnn\t3\t1.50\t2000-01-02\t2000-01-02 03:04:05\t10:11:12\t0.5\t7\t8\n"
                                 "R2\t\t\t-2\t\t\t\t\t\t\n"
                                 "R0\tbob  \t0\t0\t1999-12-31\t1999-12-31 23:59:59\t00:00:00\t-1e3\t-5\t4000000000\n";

// A fresh engine with the object and its rows; aborts when they do not load (a bug).
inline void load(Engine& engine)
{
    auto object = ObjectDefinition::parse(object_source, "fuzz.srd");
    if (!object || !engine.set_object(std::move(*object)) || engine.import_string(object_rows) != 3)
        std::abort();
}

} // namespace hearth::dw::fuzz
