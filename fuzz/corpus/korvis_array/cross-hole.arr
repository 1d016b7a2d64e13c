0. 10. 25. 80. 10 7          dX, dZ, X0, Z0, nPos, nSpac
-25. 0. 10000. 0. 25. 11 -1          XA, ZA, XB, ZB, XMN, keyArr, iDir
10. 20. 30. 40. 50. 60. 70.          spacings (only the first and the last count)
