// The files a benchmark case is written as (make_data.py, glm_data.py):
// raw little-endian doubles, and meta.txt of "key value" lines.
#pragma once

#include <fstream>
#include <map>
#include <string>
#include <vector>

inline std::vector<double> readDoubles(const std::string& file)
{
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const std::streamsize bytes = in.tellg();
    std::vector<double> v(bytes > 0 ? bytes / 8 : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(v.data()), static_cast<std::streamsize>(v.size() * 8));
    return v;
}

inline std::map<std::string, std::string> readMeta(const std::string& dir)
{
    std::map<std::string, std::string> m;
    std::ifstream in(dir + "/meta.txt");
    std::string k, v;
    while (in >> k >> v)
        m[k] = v;
    return m;
}
