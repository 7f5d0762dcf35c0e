// The names under which the bridge must export its native methods, on every platform.
#pragma once

#include <set>
#include <string>

inline const std::set<std::string> &nativeMethodNames()
{
    static const std::set<std::string> names = {
        "Java_ru_norvel_davo_Kelvastorix_initIDs",
        "Java_ru_norvel_davo_Kelvastorix_vlknInitDll",
        "Java_ru_norvel_davo_Kelvastorix_vlknFreeDll",
        "Java_ru_norvel_davo_Kelvastorix_vlknInitLib",
        "Java_ru_norvel_davo_Kelvastorix_vlknInitLib2",
        "Java_ru_norvel_davo_Kelvastorix_vlknValidate",
        "Java_ru_norvel_davo_Kelvastorix_vlknValidateZ",
        "Java_ru_norvel_davo_Kelvastorix_vlknGetLogFileName",
        "Java_ru_norvel_davo_Kelvastorix_vlknFreeLib",
        "Java_ru_norvel_davo_DavoUtil_test3",
    };
    return names;
}
